// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GamePage.h"

#include <QPainter>

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include "notation/GameFile.h"
#include "play/Game.h"
#include "ui/EvalGraph.h"
#include "ui/PieceImages.h"
#include "ui/Text.h"

namespace galvetta {

namespace {

// The list's lines are "  1. e4      e5": White's move from this column,
// Black's from the next.
constexpr int WHITE_COLUMN = 5, BLACK_COLUMN = WHITE_COLUMN + 8;

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
    const OpenedGame opened = ReadChosenGame(text, index);
    if (opened.positions.empty())
        return opened.error.empty() ? QStringLiteral("No game in %1").arg(path) : qs(opened.error);
    names = Load(opened);
    return qs(opened.error);
}

QString TGamePage::OpenGameText(const std::string& text, int index) {
    const OpenedGame opened = ReadChosenGame(text, index);
    if (opened.positions.empty())
        return opened.error.empty() ? QStringLiteral("Nessuna partita / No game") : qs(opened.error);
    Load(opened);
    return qs(opened.error);
}

OpenedGame TGamePage::ReadChosenGame(const std::string& text, int index) {
    // Only the chosen game's moves are read.
    const std::vector<PgnEntry> games = ListPgnGames(text);
    if (index < 0 || static_cast<size_t>(index) >= games.size()) return ReadGameText(text, index);
    const PgnEntry& game = games[static_cast<size_t>(index)];
    return ReadGameText(std::string_view(text).substr(game.begin, game.end - game.begin), 0, index + 1);
}

QString TGamePage::Load(const OpenedGame& opened) {
    game_.LoadGame(opened);
    if (Filed) Filed();
    const QString names =
        opened.white.empty() && opened.black.empty() ? QString() : qs(opened.white + " - " + opened.black);
    ShowMoveList();
    if (Opened) Opened(names);
    return names;
}

namespace {

// The pairs of moves printed on a page: two columns of this many rows, the
// first page's shorter, under the diagram. Columns run down a page and on to
// the next, in order.
constexpr size_t FIRST_PAGE_ROWS = 20, PAGE_ROWS = 45;

// The position drawn for print: White at the bottom, files a to h and ranks
// 1 to 8 around it, whatever the screen shows.
QImage printed_diagram(const std::string& position) {
    constexpr int CELL = 40, MARGIN = 18;
    const ImageList pictures = MakePieceImages(CELL);
    QImage image(8 * CELL + 2 * MARGIN, 8 * CELL + 2 * MARGIN, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int index = 0; index < 64 && index < static_cast<int>(position.size()); ++index) {
        const int col = index % 8, row = index / 8; // row 0 is rank 8
        const QPoint at(MARGIN + col * CELL, MARGIN + row * CELL);
        painter.drawPixmap(at, pictures[(col ^ row) & 1]);
        const size_t piece = PIECE_LETTERS.find(position[index]);
        if (position[index] != '-' && piece != std::string_view::npos)
            painter.drawPixmap(at, pictures[static_cast<int>(piece) + 2]);
    }
    painter.setPen(Qt::black);
    for (int i = 0; i < 8; ++i) {
        const QString file(QChar('a' + i)), rank(QChar('8' - i));
        painter.drawText(QRect(MARGIN + i * CELL, 8 * CELL + MARGIN, CELL, MARGIN), Qt::AlignCenter, file);
        painter.drawText(QRect(0, MARGIN + i * CELL, MARGIN, CELL), Qt::AlignCenter, rank);
    }
    painter.drawRect(MARGIN, MARGIN, 8 * CELL, 8 * CELL);
    return image;
}

} // namespace

void TGamePage::PrintGame(QPrinter& printer) {
    const PgnGame game = game_.Record();
    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("board.png")),
                         printed_diagram(game_.Position()));
    QString html =
        QStringLiteral("<h2>%1 &ndash; %2</h2><p>%3, %4</p><p><img src=\"board.png\" width=\"320\"></p>")
            .arg(qs(game.Tag("White")).toHtmlEscaped(), qs(game.Tag("Black")).toHtmlEscaped(),
                 qs(game.Tag("Date")), qs(game.result));
    // The pairs in two columns, White's and Black's move on one line, so
    // that forty moves fit under the diagram on one page; each page's
    // columns hold the moves in order, the next page going on from them.
    const std::vector<MovePair> pairs = MovePairs(game);
    const auto cells = [](const MovePair& pair) {
        return QStringLiteral("<td align=\"right\">%1.</td><td>%2</td><td>%3</td>")
            .arg(pair.number)
            .arg(qs(pair.white.empty() ? "..." : pair.white).toHtmlEscaped(), qs(pair.black).toHtmlEscaped());
    };
    for (size_t first = 0, page = 0; first < pairs.size(); ++page) {
        const size_t room = 2 * (page == 0 ? FIRST_PAGE_ROWS : PAGE_ROWS);
        const size_t count = std::min(room, pairs.size() - first);
        const size_t rows = (count + 1) / 2;
        html += page == 0 ? QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">")
                          : QStringLiteral("<table style=\"page-break-before: always\" cellspacing=\"0\" "
                                           "cellpadding=\"1\">");
        for (size_t row = 0; row < rows; ++row) {
            html += QStringLiteral("<tr>") + cells(pairs[first + row]);
            if (row + rows < count)
                html += QStringLiteral("<td width=\"40\"></td>") + cells(pairs[first + row + rows]);
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
        first += count;
    }
    html += QStringLiteral("<p>");
    // The evaluation graph, where the game has evaluations.
    const std::vector<std::optional<MoveEvaluation>> evaluations = game_.Evaluations();
    if (TEvalGraph::HasPoints(evaluations)) {
        QImage graph(640, 120, QImage::Format_RGB32);
        QPainter painter(&graph);
        TEvalGraph::Paint(painter, graph.rect(), evaluations, -1);
        painter.end();
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("evaluation.png")), graph);
        html += QStringLiteral("<img src=\"evaluation.png\" width=\"480\"></p><p>");
    }
    if (game_.Result())
        html += ResultCaption(game_.Result()->result, game_.Result()->reason).toHtmlEscaped();
    else if (game.result != "*")
        html += qs(game.result);
    document.setHtml(html + QStringLiteral("</p>"));
    document.print(&printer);
}

bool TGamePage::SaveExecute() {
    QString path = QFileDialog::getSaveFileName(window(), QStringLiteral("Salva / Save game"), QString(),
                                                QStringLiteral("PGN (*.pgn);;All files (*)"));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pgn");
    if (SaveGameTo(path)) return true;
    QMessageBox::warning(window(), window()->windowTitle(), QStringLiteral("Cannot write %1").arg(path));
    return false;
}

bool TGamePage::BlackBegins() const {
    const std::vector<MovePair> pairs = MovePairs(game_.Record());
    return !pairs.empty() && pairs.front().white.empty();
}

int TGamePage::PlyAt(int line, int column) const {
    static const QRegularExpression pair(QStringLiteral("^\\s*\\d+\\. "));
    if (line < 0 || column < WHITE_COLUMN ||
        !pair.match(document()->findBlockByNumber(line).text()).hasMatch())
        return 0;
    const int ply = 2 * line + (column >= BLACK_COLUMN ? 2 : 1) - (BlackBegins() ? 1 : 0);
    return ply > 0 && ply < static_cast<int>(game_.Positions().size()) ? ply : 0;
}

void TGamePage::mousePressEvent(QMouseEvent* event) {
    QPlainTextEdit::mousePressEvent(event);
    const QTextCursor at = cursorForPosition(event->position().toPoint());
    if (const int ply = PlyAt(at.blockNumber(), at.positionInBlock()); ply > 0 && MoveClicked)
        MoveClicked(ply);
}

void TGamePage::HighlightPly(int ply) {
    QList<QTextEdit::ExtraSelection> marks;
    const int index = ply - 1 + (BlackBegins() ? 1 : 0);
    if (ply > 0) {
        QTextEdit::ExtraSelection mark;
        mark.format.setBackground(QColor(243, 211, 107));
        mark.format.setForeground(Qt::black);
        QTextCursor cursor(document()->findBlockByNumber(index / 2));
        const int column = index % 2 == 0 ? WHITE_COLUMN : BLACK_COLUMN;
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        if (index % 2 == 0)
            cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, BLACK_COLUMN - WHITE_COLUMN - 1);
        else
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        mark.cursor = cursor;
        marks << mark;
        setTextCursor(QTextCursor(cursor.block()));
        ensureCursorVisible();
    }
    setExtraSelections(marks);
}

void TGamePage::OpenExecute() {
    const QString path =
        QFileDialog::getOpenFileName(window(), QStringLiteral("Apri / Open game"), QString(),
                                     QStringLiteral("PGN or FEN (*.pgn *.fen *.txt);;All files (*)"));
    if (path.isEmpty()) return;
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
        if (reading.wasCanceled()) return;
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
            if (!ok) return;
            index = static_cast<int>(games.indexOf(chosen));
        }
    }
    QString names;
    const QString error = OpenGameFrom(path, index, names);
    if (!error.isEmpty()) QMessageBox::warning(window(), window()->windowTitle(), error);
}

void TGamePage::PrintExecute() {
    QPrinter printer;
    QPrintDialog dialog(&printer, window());
    if (dialog.exec() == QDialog::Accepted) PrintGame(printer);
}

} // namespace galvetta
