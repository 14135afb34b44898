// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Comandi.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

namespace galvetta {

QStringList TfrmComandi::HelpLines() {
    return {
        "Available commands.",
        "",
        "This command will be executed if sended by WinBoard or typed in manually (press Enter to execute).",
        "",
        "To change time control, see command \"level\".",
        "",
        "e2e4: move",
        "f7f8Q: promote",
        "e1g1: castle (if e1=King)",
        "e1c1: castle (if e1=King)",
        "",
        "name: show opponent's name",
        "rating: show opponent's name",
        "computer: show that opponnt is a computer",
        "new: start a new game",
        "force: Set the engine to play neither color",
        "white: Set White on move. Set the engine to play Black",
        "black: see white but for black",
        "go: Leave force mode and set the engine to play the color that is on move",
        "quit: close the program",
        "undo: undo last move",
        "remove: undo last 2 moves",
        "otim N: set opponent's clock (partially implemented)",
        "time N: set computer's clock (partially implemented)",
        "st TIME: set time controls",
        "level MovePerSecond BaseTime Increment: set time control (level 0 5 0 for blitz games)",
        "edit: set edit mode (it works only if connected to winboard)",
        "",
        "xboard: set xboard mode (not needed but works)",
        "draw: offer draw (always rejected)",
        "",
        "hard: turn on pondering (not implemented)",
        "easy: turn off pondering (not implemented))",
        "random: ignored)",
        "sd DEPTH: ignored",
        "result: ignored",
        "hint: ignored",
        "post: ignored (turn on thinking/pondering output)",
        "nopost: ignored",
        "analyze: ignored (enter analyze mode)",
        "",
    };
}

TfrmComandi::TfrmComandi(QWidget* parent) : QWidget(parent, Qt::Window), memo_(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Galvetta commands"));
    resize(548, 593);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memo_);
    memo_->setReadOnly(true);
    memo_->setPlainText(HelpLines().join('\n'));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

} // namespace galvetta
