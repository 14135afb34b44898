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
        "undo: undo last move (nothing when there is none)",
        "remove: undo last 2 moves",
        "otim N: set opponent's clock (centiseconds)",
        "time N: set computer's clock (centiseconds)",
        "st TIME: set time controls (seconds a move, fractions too)",
        "level MovePerSecond BaseTime Increment: set time control (level 0 5 0 for blitz games)",
        "edit: set edit mode (it works only if connected to winboard)",
        "sd DEPTH: search at most DEPTH plies",
        "result RESULT {COMMENT}: the game is over; the result goes into the saved game",
        "",
        "xboard: set xboard mode (not needed but works)",
        "",
        "hard: turn on pondering (not implemented)",
        "easy: turn off pondering (not implemented))",
        "random: ignored)",
        "",
        "After \"protover 2\" (version 2 of the protocol):",
        "ping N: answered with pong N once the move in hand is made",
        "setboard FEN: set up a position (refused, with the FEN quoted, when no game reaches it)",
        "usermove MOVE: a move; moves are written as e2e4",
        "draw: offer draw (accepted when the rules draw the game)",
        "hint: the reply the engine expects to its last move",
        "bk: the book moves of the position",
        "post, nopost: thinking output on or off",
        "analyze: analyse the position until exit (a \".\" line changes nothing)",
        "?: move now",
        "option OwnBook=1, option BookFile=FILE: the opening book",
        "",
        "In version 1, draw, hint, post, nopost and analyze are accepted and ignored.",
        "",
        "uci (as the first line): speak UCI for the rest of the session",
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
