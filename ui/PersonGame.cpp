// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PersonGame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "notation/San.h"
#include "play/Game.h"
#include "protocol/Interface.h"
#include "search/SearchLimits.h"
#include "ui/AnalysisPage.h"
#include "ui/BoardPanel.h"
#include "ui/EvalGraph.h"
#include "ui/GamePage.h"
#include "ui/GraphicChessBoard.h"
#include "ui/Pages.h"
#include "ui/QuorClock.h"
#include "ui/Text.h"

namespace galvetta {

namespace {

// A hint searches this long, and stops on the spot at the hard limit
// (milliseconds).
constexpr double HINT_BUDGET_MS = 1500, HINT_HARD_MS = 4000;

bool white_to_move(const std::string& position) {
    return position.size() > SIDE_TO_MOVE && position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
}

// The square of the king of the side to move when it is in check, else -1.
int checked_king(const std::string& position) {
    if (!SideToMoveInCheck(position)) return -1;
    const char king = PIECE_LETTERS[white_to_move(position) ? KING : BLACK_LETTERS + KING];
    const size_t at = position.find(king);
    return at < 64 ? static_cast<int>(at) : -1;
}

// The move that leads from `before` to `after`, if one does.
std::optional<LegalMove> move_between(const std::string& before, const std::string& after) {
    for (const LegalMove& move : LegalMoves(before))
        if (PositionAfter(before, move).compare(0, SIDE_TO_MOVE + 1, after, 0, SIDE_TO_MOVE + 1) == 0)
            return move;
    return std::nullopt;
}

} // namespace

TPersonGame::TPersonGame(TGame& game, TInterface& link, TBoardPanel& panel, TPages& pages, QLabel& result)
    : QObject(&pages), game_(game), link_(link), panel_(panel), pages_(pages), result_(result) {
    game_.AnalysisEnded = [this] { AnalysisEnded(); };
    connect(pages_.analysis->btnAnalizza, &QPushButton::toggled, this, &TPersonGame::SetAnalysis);
}

const std::vector<TPersonGame::TimePreset>& TPersonGame::TimePresets() {
    static const std::vector<TimePreset> presets = {
        {"1 minuto / 1 minute", "level 0 1 0"},
        {"5 minuti / 5 minutes", "level 0 5 0"},
        {"15 minuti / 15 minutes", "level 0 15 0"},
        {"3 minuti + 2 s / 3+2", "level 0 3 2"},
        {"15 minuti + 10 s / 15+10", "level 0 15 10"},
        {"40 mosse in 120 minuti / 40 moves in 120 minutes", "level 40 120 0"},
        {"1 s a mossa / 1 s a move", "st 1"},
        {"5 s a mossa / 5 s a move", "st 5"},
        {"15 s a mossa / 15 s a move", "st 15"},
        {"Senza orologio / No clock", "untimed"},
    };
    return presets;
}

TBoardModel& TPersonGame::Board() const {
    return *panel_.scacchiera;
}

bool TPersonGame::PersonPlays() const {
    return !link_.InterfaceDrives();
}

QString TPersonGame::ChooseTimeControl(const std::string& line) {
    const Parsed<TimeControl> control = ParseTimeControl(line);
    if (!control) return qs(control.error);
    if (game_.Searching()) game_.AbandonSearch();
    game_.SetTimeControl(*control.value);
    return {};
}

void TPersonGame::ChooseDepth(int depth) {
    depth_ = depth;
    game_.ChangeOptions([depth](EngineOptions& o) { o.depth_cap = depth; });
    panel_.SetDepthCap(depth);
}

void TPersonGame::ApplyChoices() {
    // The clocks start from the control's base, whichever control it is.
    game_.SetTimeControl(game_.Control());
    game_.ChangeOptions([this](EngineOptions& o) { o.depth_cap = depth_; });
}

void TPersonGame::FreshStart() {
    for (QLineEdit* figure :
         {pages_.txtMossa, pages_.txtTempoPrevisto, pages_.txtMossePreviste, pages_.txtMosse})
        figure->clear();
    if (Tell) Tell(QString());
    link_.View().SetStatusPanel(1, "?");
    game_.ClearStatistics();
    panel_.SetReachedDepth(0);
    ApplyChoices();
    // A position the rules have ended already is over now, not after a move.
    game_.CheckGameEnd();
    const std::optional<GameResult>& ended = game_.Result();
    result_.setText(ended ? TGamePage::ResultCaption(ended->result, ended->reason) : QString());
}

std::string TPersonGame::ShownFen() const {
    const size_t last = Board().Positions().empty() ? 0 : Board().Positions().size() - 1;
    return game_.FenAt(shown_ >= 0 ? static_cast<size_t>(shown_) : last);
}

bool TPersonGame::NewGame(bool person_white) {
    if (!MayDiscardGame()) return false;
    LeaveStepping(false);
    // The control chosen holds for the next game, over the reset's own.
    const TimeControl control = game_.Control();
    link_.ResetGameExecute();
    game_.SetTimeControl(control);
    ApplyChoices();
    FreshStart();
    if (panel_.scacchiera->GetBlackAtBottom() == person_white) panel_.Reverse();
    if (!person_white) game_.Go();
    return true;
}

void TPersonGame::TakeBack() {
    if (PersonPlays())
        game_.TakeBackToPerson();
    else
        game_.TakeBack();
}

void TPersonGame::Resign() {
    if (game_.GameOver()) return;
    if (Confirm && !Confirm(QStringLiteral("Abbandonare la partita? / Resign the game?"))) return;
    // The person plays the side the engine does not.
    game_.Resign(!game_.EngineWhite());
}

void TPersonGame::OfferDraw() {
    if (game_.GameOver()) return;
    if (!game_.OfferDraw()) Tell(QStringLiteral("Galvetta rifiuta la patta / Galvetta declines the draw"));
}

void TPersonGame::Hint() {
    if (game_.GameOver()) {
        Tell(QStringLiteral("La partita è finita / The game is over"));
        return;
    }
    if (game_.Searching() && !game_.Analyzing()) {
        LockedPress();
        return;
    }
    if (!PersonPlays()) {
        Tell(QStringLiteral("Un'interfaccia guida la partita / An interface drives the game"));
        return;
    }
    SearchLimits limits = SearchLimits::Analysis(game_.Options().depth_cap);
    limits.budget_ms = HINT_BUDGET_MS;
    limits.hard_ms = HINT_HARD_MS;
    hint_pending_ = true;
    game_.Analyze(limits);
    Tell(QStringLiteral("Galvetta cerca un suggerimento… / Galvetta looks for a hint…"));
}

void TPersonGame::AnalysisEnded() {
    if (!hint_pending_) return;
    hint_pending_ = false;
    const std::optional<SearchReport> report = game_.LastReport();
    const std::string& position = Board().GetPosition();
    if (!report || report->line.empty()) {
        Tell(QStringLiteral("Nessun suggerimento / No hint"));
        return;
    }
    const Move& move = report->line.front();
    TBoardCanvas::Marks marks = panel_.scacchiera->GetMarks();
    marks.hint_from = move.from;
    marks.hint_to = move.to;
    panel_.scacchiera->SetMarks(marks);
    const QString san = qs(MoveToSan(position, move.Coordinate()));
    Tell(QStringLiteral("Suggerimento / Hint: %1").arg(san));
    FollowWithAnalysis();
}

void TPersonGame::SetAnalysis(bool on) {
    analysis_on_ = on;
    if (on) {
        pages_.analysis->Clear();
        FollowWithAnalysis();
    } else if (game_.Analyzing() && !hint_pending_) {
        game_.StopAnalysis();
    }
}

void TPersonGame::FollowWithAnalysis() {
    if (!analysis_on_ || !PersonPlays() || game_.GameOver() || game_.Searching()) return;
    game_.Analyze(SearchLimits::Analysis());
}

void TPersonGame::SetEditMode(bool on) {
    if (on == game_.EditMode()) return;
    if (!on) Board().Pezzo(SIDE_TO_MOVE) = panel_.EditWhiteToMove() ? WHITE_ON_MOVE : BLACK_ON_MOVE;
    const Parsed<std::string> playable = PlayablePosition(Board().GetPosition());
    if (!on && !playable && PersonPlays()) {
        Tell(QStringLiteral("Posizione impossibile / Impossible position: %1").arg(qs(playable.error)));
        game_.SetEditMode(true); // the button shows edit mode still on
        return;
    }
    game_.SetEditMode(on);
    if (on) return;
    // The rights the placement allows, less those the person took away.
    const std::array<bool, 4> allowed = panel_.EditRights();
    for (int i = 0; i < 4; ++i)
        if (!allowed[i]) Board().DropRight(WHITE_SHORT + i);
    Board().RestartHistoryHere();
    game_.CopyBoardToEngine();
    FreshStart();
}

QString TPersonGame::PlayTyped(const QString& text) {
    const std::string typed = text.trimmed().toStdString();
    if (typed.empty()) return {};
    // Typed while an earlier position is shown: as a press on the board, the
    // person is asked whether to go on from there.
    if (shown_ >= 0 && !SteppedPress())
        return QStringLiteral("Torna alla fine (Alt+Fine) / Back to the end first (Alt+End)");
    if (Board().GetLocked()) return QStringLiteral("Galvetta sta pensando / Galvetta is thinking");
    if (game_.GameOver()) return QStringLiteral("La partita è finita / The game is over");
    const Parsed<LegalMove> move = ParseSan(Board().GetPosition(), typed);
    if (!move) return QStringLiteral("Mossa rifiutata / Move refused: %1").arg(qs(move.error));
    if (!Board().Move(move.value->Coordinate()))
        return QStringLiteral("Mossa rifiutata / Move refused: %1").arg(qs(typed));
    return {};
}

QString TPersonGame::SetUpFen(const QString& fen) {
    const Parsed<FenPosition> position = ReadPlayableFen(fen.trimmed().toStdString());
    if (!position) return QStringLiteral("FEN rifiutata / FEN refused: %1").arg(qs(position.error));
    if (!MayDiscardGame()) return {};
    LeaveStepping(false);
    const FenPosition& set_up = *position.value;
    if (game_.Searching()) game_.AbandonSearch();
    game_.NewGameFrom(set_up.text, set_up.halfmove_clock, set_up.move_number);
    ApplyChoices();
    // The person moves first, from the side at the bottom.
    const bool white = white_to_move(set_up.text);
    game_.SetEngineWhite(!white);
    if (panel_.scacchiera->GetBlackAtBottom() == white) panel_.Reverse();
    game_.CopyBoardToEngine();
    FreshStart();
    return {};
}

bool TPersonGame::MayDiscardGame() {
    const std::vector<std::string>& positions = Board().Positions();
    if (KeepsGames || !PersonPlays() || positions.size() <= 1 || game_.Filed()) return true;
    if (!AskUnsaved) return true;
    switch (AskUnsaved(QStringLiteral("La partita non è salvata. / The game is not saved."))) {
    case Unsaved::Save: return SaveGame && SaveGame();
    case Unsaved::Discard: return true;
    case Unsaved::Cancel: break;
    }
    return false;
}

void TPersonGame::GameSaved() {
    game_.MarkFiled();
}

bool TPersonGame::StepTo(int index) {
    const std::vector<std::string>& positions = Board().Positions();
    if (positions.empty()) return false;
    if (game_.Searching() && !game_.Analyzing()) {
        LockedPress();
        return false;
    }
    index = std::clamp(index, 0, static_cast<int>(positions.size()) - 1);
    if (index == static_cast<int>(positions.size()) - 1) {
        LeaveStepping(true);
        return true;
    }
    if (game_.Analyzing()) game_.StopAnalysis();
    // The clock of the side to move waits while the person looks back.
    if (shown_ < 0) game_.PauseClocks();
    shown_ = index;
    panel_.scacchiera->ShowPosition(positions[index]);
    ShowMarks(index > 0 ? positions[index - 1] : std::string(), positions[index]);
    panel_.ShowStepped(QStringLiteral("Semimossa %1 di %2 (Alt+Fine: partita) / Ply %1 of %2 (Alt+End: game)")
                           .arg(index)
                           .arg(positions.size() - 1));
    if (ShownChanged) ShownChanged(shown_);
    return true;
}

bool TPersonGame::StepBy(int plies) {
    const int now = shown_ >= 0 ? shown_ : static_cast<int>(Board().Positions().size()) - 1;
    return StepTo(now + plies);
}

bool TPersonGame::StepToEnd() {
    return StepTo(static_cast<int>(Board().Positions().size()) - 1);
}

void TPersonGame::LeaveStepping(bool resume) {
    if (shown_ < 0) return;
    shown_ = -1;
    panel_.scacchiera->ShowPosition({});
    panel_.ShowStepped({});
    if (resume) game_.ResumeClocks();
    ShowBoardState();
    if (ShownChanged) ShownChanged(-1);
    FollowWithAnalysis();
}

bool TPersonGame::SteppedPress() {
    const int index = shown_;
    if (index < 0) return false;
    const bool here = ContinueFromHere &&
                      ContinueFromHere(QStringLiteral("Continuare da questa posizione, togliendo le mosse "
                                                      "seguenti? No: torna alla fine della partita. / "
                                                      "Go on from this position, dropping the later moves? "
                                                      "No: back to the end of the game."));
    if (!here) {
        LeaveStepping(true);
        return false;
    }
    // The clocks wait through the take-backs; the side to move then runs.
    while (static_cast<int>(Board().Positions().size()) - 1 > index)
        game_.TakeBack();
    LeaveStepping(true);
    // The side to move plays on; when that is the engine, it thinks now.
    if (!game_.GameOver() && white_to_move(Board().GetPosition()) == game_.EngineWhite()) game_.Go();
    return true;
}

void TPersonGame::HistoryChanged() {
    // Once the board's own handlers are done: a person's move has then
    // started the engine, which the analysis must not disturb.
    QTimer::singleShot(0, this, [this] {
        ShowBoardState();
        FollowWithAnalysis();
    });
}

void TPersonGame::ShowBoardState() {
    // A move made or taken back ends the look at an earlier position.
    if (shown_ >= 0) LeaveStepping(false);
    const std::vector<std::string>& positions = Board().Positions();
    ShowMarks(positions.size() > 1 ? positions[positions.size() - 2] : std::string(), Board().GetPosition());
}

void TPersonGame::ShowMarks(const std::string& before, const std::string& now) {
    TBoardCanvas::Marks marks;
    if (!before.empty())
        if (const std::optional<LegalMove> last = move_between(before, now)) {
            marks.from = last->from;
            marks.to = last->to;
        }
    marks.check = checked_king(now);
    panel_.scacchiera->SetMarks(marks);
    panel_.ShowSideToMove(white_to_move(now));
}

void TPersonGame::SearchReported(const std::vector<SearchReport>& reports, const std::string& position) {
    if (!reports.empty() && !game_.Analyzing()) panel_.SetReachedDepth(reports.back().depth);
    if (analysis_on_) pages_.analysis->ShowReports(reports, position);
    // The analysis of the game's position evaluates it for the graph.
    if (analysis_on_ && !hint_pending_ && game_.Analyzing() && !reports.empty()) {
        game_.NoteAnalysis(reports.back());
        pages_.grafico->update();
    }
}

void TPersonGame::GameEnded(const std::string& result, const std::string& reason) {
    result_.setText(result.empty() ? QString() : TGamePage::ResultCaption(result, reason));
    pages_.txtPartita->ScheduleMoveList();
}

void TPersonGame::DropRefused(const std::string& move) {
    const std::optional<Move> dropped = Move::Parse(move);
    const Illegal why =
        dropped ? WhyIllegal(Board().GetPosition(), dropped->from, dropped->to) : Illegal::CannotGoThere;
    QString text = QStringLiteral("il pezzo non può andare lì / the piece cannot go there");
    if (why == Illegal::InCheck) text = QStringLiteral("il re è sotto scacco / the king is in check");
    if (why == Illegal::KingLeftInCheck)
        text = QStringLiteral("il re resterebbe sotto scacco / the king would be in check");
    if (game_.GameOver()) text = QStringLiteral("la partita è finita / the game is over");
    Tell(QStringLiteral("Mossa illegale / Illegal move %1: %2").arg(qs(move), text));
    FollowWithAnalysis();
}

void TPersonGame::LockedPress() {
    Tell(QStringLiteral("Galvetta sta pensando / Galvetta is thinking"));
}

} // namespace galvetta
