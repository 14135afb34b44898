// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GamePage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include "notation/GameFile.h"
#include "play/Game.h"

namespace galvetta {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The largest file read as a game.
constexpr qint64 MAX_GAME_FILE = 64 * 1024 * 1024;

// The record's reasons as the window says them.
struct EndWords {
    const char* reason;
    const char* caption;
};
constexpr EndWords END_CAPTIONS[] = {
    {"White mates", "Scacco matto / Checkmate"},
    {"Black mates", "Scacco matto / Checkmate"},
    {"Stalemate", "Stallo / Stalemate"},
    {"Draw by repetition", "Patta per ripetizione / Draw by repetition"},
    {"50 move rule", "Patta per la regola delle 50 mosse / Draw by the fifty-move rule"},
    {"Insufficient material", "Patta per materiale insufficiente / Draw by insufficient material"},
    {"White resigns", "Il Bianco abbandona / White resigns"},
    {"Black resigns", "Il Nero abbandona / Black resigns"},
    {"Draw agreed", "Patta d'accordo / Draw agreed"},
    {"White loses on time", "Il Bianco perde per tempo / White loses on time"},
    {"Black loses on time", "Il Nero perde per tempo / Black loses on time"},
};

} // namespace

TGamePage::TGamePage(TGame& game, QWidget* parent) : QPlainTextEdit(parent), game_(game) {
    setReadOnly(true);
    QFont mono = font();
    mono.setFamily(QStringLiteral("DejaVu Sans Mono"));
    setFont(mono);
}

void TGamePage::ScheduleMoveList() {
    if (move_list_due_) return;
    move_list_due_ = true;
    QMetaObject::invokeMethod(
        this, [this] { ShowMoveList(); }, Qt::QueuedConnection);
}

void TGamePage::ShowMoveList() {
    move_list_due_ = false;
    setPlainText(MoveListText());
    moveCursor(QTextCursor::End);
}

QString TGamePage::MoveListText() const {
    const PgnGame game = game_.Record();
    QStringList lines;
    for (const MovePair& pair : MovePairs(game))
        lines << QStringLiteral("%1. %2%3")
                     .arg(pair.number, 3)
                     .arg(qs(pair.white.empty() ? "..." : pair.white).leftJustified(8), qs(pair.black));
    if (game_.Result())
        lines << ResultCaption(game_.Result()->result, game_.Result()->reason);
    else if (game.result != "*")
        lines << qs(game.result);
    return lines.join('\n');
}

QString TGamePage::ResultCaption(const std::string& result, const std::string& reason) {
    for (const EndWords& words : END_CAPTIONS)
        if (reason == words.reason) return qs(result) + QLatin1Char(' ') + QString::fromUtf8(words.caption);
    return qs(result + " " + reason);
}

bool TGamePage::SaveGameTo(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const std::string text = WritePgn(game_.Record());
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) return false;
    if (Filed) Filed();
    return true;
}

QString TGamePage::OpenGameFrom(const QString& path, int index, QString& names) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("Cannot read %1").arg(path);
    const std::string text = file.read(MAX_GAME_FILE).toStdString();
    // Only the chosen game's moves are read.
    const std::vector<PgnEntry> games = ListPgnGames(text);
    const bool listed = index >= 0 && static_cast<size_t>(index) < games.size();
    const OpenedGame opened =
        listed ? ReadGameText(
                     std::string_view(text).substr(games[index].begin, games[index].end - games[index].begin),
                     0, index + 1)
               : ReadGameText(text, index);
    if (opened.positions.empty())
        return opened.error.empty() ? QStringLiteral("No game in %1").arg(path) : qs(opened.error);
    game_.LoadGame(opened.positions, opened.halfmove_clock, opened.move_number, opened.white, opened.black);
    if (Filed) Filed();
    names =
        opened.white.empty() && opened.black.empty() ? QString() : qs(opened.white + " - " + opened.black);
    ShowMoveList();
    return qs(opened.error);
}

void TGamePage::PrintGame(QPrinter& printer, const QImage& diagram) {
    const PgnGame game = game_.Record();
    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("board.png")), diagram);
    QString html =
        QStringLiteral("<h2>%1 &ndash; %2</h2><p>%3, %4</p><p><img src=\"board.png\" width=\"320\"></p><p>")
            .arg(qs(game.Tag("White")).toHtmlEscaped(), qs(game.Tag("Black")).toHtmlEscaped(),
                 qs(game.Tag("Date")), qs(game.result));
    html += MoveListText().toHtmlEscaped().replace('\n', QStringLiteral("<br>"));
    document.setHtml(html + QStringLiteral("</p>"));
    document.print(&printer);
}

void TGamePage::SaveExecute() {
    QString path = QFileDialog::getSaveFileName(window(), QStringLiteral("Salva / Save game"), QString(),
                                                QStringLiteral("PGN (*.pgn);;All files (*)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pgn");
    if (!SaveGameTo(path))
        QMessageBox::warning(window(), window()->windowTitle(), QStringLiteral("Cannot write %1").arg(path));
}

QString TGamePage::OpenExecute() {
    const QString path =
        QFileDialog::getOpenFileName(window(), QStringLiteral("Apri / Open game"), QString(),
                                     QStringLiteral("PGN or FEN (*.pgn *.fen *.txt);;All files (*)"));
    if (path.isEmpty()) return {};
    int index = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const std::string text = file.read(MAX_GAME_FILE).toStdString();
        // A large file is listed with a progress bar that can cancel the Open.
        QProgressDialog reading(QStringLiteral("Lettura / Reading %1").arg(QFileInfo(path).fileName()),
                                QStringLiteral("Annulla / Cancel"), 0,
                                static_cast<int>(text.size() / 1024 + 1), window());
        reading.setWindowModality(Qt::WindowModal);
        reading.setMinimumDuration(500);
        const std::vector<PgnEntry> listed = ListPgnGames(text, [&reading](size_t bytes) {
            reading.setValue(static_cast<int>(bytes / 1024));
            QCoreApplication::processEvents();
            return !reading.wasCanceled();
        });
        if (reading.wasCanceled()) return {};
        reading.reset();
        if (listed.size() > 1) {
            QStringList games;
            for (size_t i = 0; i < listed.size(); ++i) {
                const PgnEntry& g = listed[i];
                games << QStringLiteral("%1. %2 - %3 %4 (%5)")
                             .arg(i + 1)
                             .arg(qs(g.white), qs(g.black), qs(g.result), qs(g.date));
            }
            bool ok = false;
            const QString chosen = QInputDialog::getItem(window(), QStringLiteral("Apri / Open game"),
                                                         QStringLiteral("Game:"), games, 0, false, &ok);
            if (!ok) return {};
            index = static_cast<int>(games.indexOf(chosen));
        }
    }
    QString names;
    const QString error = OpenGameFrom(path, index, names);
    if (!error.isEmpty()) QMessageBox::warning(window(), window()->windowTitle(), error);
    return names;
}

void TGamePage::PrintExecute(const QImage& diagram) {
    QPrinter printer;
    QPrintDialog dialog(&printer, window());
    if (dialog.exec() == QDialog::Accepted) PrintGame(printer, diagram);
}

} // namespace galvetta
