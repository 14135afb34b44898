// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BoardPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "notation/PositionText.h"
#include "ui/GraphicChessBoard.h"
#include "ui/QuorClock.h"

namespace galvetta {

namespace {

// The design's board: squares of 48 pixels; the smallest still playable.
constexpr int DESIGN_CELL = 48, SMALLEST_CELL = 22;

} // namespace

TBoardFrame::TBoardFrame(TGraphicChessBoard* board, QWidget* parent) : QWidget(parent), board_(board) {
    board_->setParent(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

int TBoardFrame::Margin() const {
    return fontMetrics().height() + 2;
}

QSize TBoardFrame::sizeHint() const {
    return QSize(8 * DESIGN_CELL + 2 * Margin(), 8 * DESIGN_CELL + 2 * Margin());
}

QSize TBoardFrame::minimumSizeHint() const {
    return QSize(8 * SMALLEST_CELL + 2 * Margin(), 8 * SMALLEST_CELL + 2 * Margin());
}

void TBoardFrame::resizeEvent(QResizeEvent*) {
    const int side = std::min(width(), height()) - 2 * Margin();
    board_->SetCellSize(std::max(side / 8, SMALLEST_CELL));
    board_->move((width() - board_->width()) / 2, (height() - board_->height()) / 2);
}

void TBoardFrame::paintEvent(QPaintEvent*) {
    // a to h along the bottom and the top, 8 to 1 down the sides; turned with the board.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect board = board_->geometry();
    const int cell = board_->CellSize(), margin = Margin();
    const bool turned = board_->GetBlackAtBottom();
    for (int i = 0; i < 8; ++i) {
        const QString file(QChar('a' + (turned ? 7 - i : i)));
        const QString rank(QChar('8' - (turned ? 7 - i : i)));
        const int x = board.left() + i * cell, y = board.top() + i * cell;
        for (const QRect& r :
             {QRect(x, board.bottom() + 1, cell, margin), QRect(x, board.top() - margin, cell, margin)})
            painter.drawText(r, Qt::AlignCenter, file);
        for (const QRect& r :
             {QRect(board.left() - margin, y, margin, cell), QRect(board.right() + 1, y, margin, cell)})
            painter.drawText(r, Qt::AlignCenter, rank);
    }
}

TBoardPanel::TBoardPanel(const ImageList* pictures, QWidget* parent)
    : QWidget(parent), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(2, 2, 2, 2);
    clkNero = new TQuorClock(this);
    clkBianco = new TQuorClock(this);
    for (TQuorClock* clock : {clkNero, clkBianco}) {
        clock->setObjectName(clock == clkNero ? "clkNero" : "clkBianco");
        clock->setText(QStringLiteral("05:00"));
        QFont font = clock->font();
        font.setBold(true);
        clock->setFont(font);
        clock->Max = 0;
        clock->Step = -1;
        // A long caption ("Tempo scaduto") must not widen the window.
        clock->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        clock->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000:00")));
    }
    clkBianco->SetLinkedClock(clkNero);
    // Each clock with the mark of its side's turn beside it.
    const auto row = [this](TQuorClock* clock, QLabel*& turn) {
        auto* widget = new QWidget(this);
        auto* line = new QHBoxLayout(widget);
        line->setContentsMargins(0, 0, 0, 0);
        turn = new QLabel(widget);
        turn->setObjectName(clock == clkBianco ? "turnBianco" : "turnNero");
        line->addWidget(clock, 1);
        line->addWidget(turn);
        return widget;
    };
    black_row_ = row(clkNero, black_turn_);
    white_row_ = row(clkBianco, white_turn_);
    scacchiera = new TGraphicChessBoard(this);
    scacchiera->setObjectName("scacchiera");
    scacchiera->SetPictures(pictures);
    frame = new TBoardFrame(scacchiera, this);
    stepped_ = new QLabel(this);
    stepped_->setObjectName("stepped");
    // One line whose room stays while it is hidden: stepping back and
    // forth never moves or resizes the board.
    QSizePolicy keep_room(QSizePolicy::Ignored, QSizePolicy::Fixed);
    keep_room.setRetainSizeWhenHidden(true);
    stepped_->setSizePolicy(keep_room);
    stepped_->setStyleSheet(QStringLiteral("QLabel { background: #f3d36b; color: black; padding: 2px; }"));
    stepped_->setFixedHeight(stepped_->fontMetrics().height() + 6);
    stepped_->hide();
    layout_->addWidget(black_row_);
    layout_->addWidget(stepped_);
    layout_->addWidget(frame, 1);
    layout_->addWidget(white_row_);

    trkLivelli = new QSlider(Qt::Horizontal, this);
    trkLivelli->setRange(2, 40);
    trkLivelli->setValue(8);
    lblLivello = new QLabel(this);
    // A long level line ("reached 12" added) must not widen the window.
    lblLivello->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(trkLivelli, &QSlider::valueChanged, this, &TBoardPanel::ShowLevel);
    ShowLevel();
    layout_->addWidget(lblLivello);
    layout_->addWidget(trkLivelli);
    txtMossaTastiera = new QLineEdit(this);
    txtMossaTastiera->setObjectName("txtMossaTastiera");
    txtMossaTastiera->setPlaceholderText(QStringLiteral("Mossa / Move: Nf3, exd5, O-O, e8=Q, e2e4"));
    layout_->addWidget(txtMossaTastiera);
    txtMossaTastiera->installEventFilter(this);
    ShowSideToMove(true);
}

void TBoardPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitSteppedCaption();
    FitLevelLine();
    // The clocks follow the board: their figures a little over half a square.
    const int pixels = std::max(scacchiera->CellSize() * 55 / 100, 14);
    for (TQuorClock* clock : {clkNero, clkBianco}) {
        QFont font = clock->font();
        if (font.pixelSize() == pixels) continue;
        font.setPixelSize(pixels);
        clock->setFont(font);
        clock->setMinimumHeight(pixels + 6);
    }
}

bool TBoardPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtMossaTastiera && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool copy_nothing = key->matches(QKeySequence::Copy) && !txtMossaTastiera->hasSelectedText();
        if (txtMossaTastiera->text().isEmpty() || copy_nothing) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TBoardPanel::ShowSideToMove(bool white) {
    const QString mark = QStringLiteral("\u25CF al tratto / to move");
    white_turn_->setText(white ? mark : QString());
    black_turn_->setText(white ? QString() : mark);
}

void TBoardPanel::SetDepthCap(int depth) {
    depth_cap_ = depth;
    ShowLevel();
}

void TBoardPanel::ShowLevel() {
    // The slider is the planning's depth; the cap is the person's, if any.
    QString text = QStringLiteral("Livello / Level: %1 (ply)").arg(trkLivelli->value());
    text += depth_cap_ > 0 ? QStringLiteral(", al massimo / capped at %1").arg(depth_cap_)
                           : QStringLiteral(", senza limite / no cap");
    if (reached_ > 0) text += QStringLiteral("; raggiunto / reached %1").arg(reached_);
    lblLivello->setText(text);
    lblLivello->setToolTip(text);
    FitLevelLine();
}

// The level line in a smaller font where the panel is narrow (a small
// screen), down to three quarters of the panel's own.
void TBoardPanel::FitLevelLine() {
    const QFont font = FontToFit(this->font(), lblLivello->text(), lblLivello->width(), 0.75);
    if (lblLivello->font() != font) lblLivello->setFont(font);
    // Its height stays the panel font's, so that nothing above it moves.
    lblLivello->setMinimumHeight(QFontMetrics(this->font()).height());
}

void TBoardPanel::SetReachedDepth(int depth) {
    reached_ = depth;
    ShowLevel();
}

QWidget* TBoardPanel::CreateEditPalette() {
    auto* palette = new QWidget(this);
    palette->setObjectName("palette");
    auto* rows = new QVBoxLayout(palette);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(1);
    const auto new_row = [rows] {
        auto* line = new QHBoxLayout;
        line->setSpacing(1);
        rows->addLayout(line);
        return line;
    };
    // The brush: White's pieces, Black's, and the eraser; none: pieces are
    // dragged. Each shows the board's piece drawn at the button's size, so
    // that all are even and keep their colours in a dark palette; the glyph
    // is the button's name for screen readers.
    static constexpr const char* GLYPHS[] = {"\u2654", "\u2655", "\u2656", "\u2657", "\u2658", "\u2659",
                                             "\u265A", "\u265B", "\u265C", "\u265D", "\u265E", "\u265F"};
    const ImageList icons = MakePieceImages(PALETTE_ICON * devicePixelRatio());
    auto* brushes = new QButtonGroup(palette);
    brushes->setExclusive(false);
    const auto add = [&](QHBoxLayout* line, const QString& glyph, char piece, int image) {
        auto* button = new QToolButton(palette);
        button->setText(glyph);
        if (image >= 0) {
            // The piece on a light square, as on the board, so that both
            // sides read in a dark palette.
            QPixmap picture = icons.at(0);
            QPainter(&picture).drawPixmap(0, 0, icons.at(image));
            picture.setDevicePixelRatio(devicePixelRatio());
            button->setIcon(QIcon(picture));
            button->setIconSize(QSize(PALETTE_ICON, PALETTE_ICON));
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
        button->setCheckable(true);
        button->setObjectName(
            QStringLiteral("brush_%1").arg(piece == '-' ? QLatin1Char('x') : QLatin1Char(piece)));
        brushes->addButton(button);
        line->addWidget(button);
        connect(button, &QToolButton::toggled, this, [this, brushes, button, piece](bool on) {
            if (!on) {
                scacchiera->SetBrush(0);
                return;
            }
            for (QAbstractButton* other : brushes->buttons())
                if (other != button) other->setChecked(false);
            scacchiera->SetBrush(piece);
        });
    };
    for (int side = 0; side < 2; ++side) {
        QHBoxLayout* line = new_row();
        for (int i = side * 6; i < side * 6 + 6; ++i)
            add(line, QString::fromUtf8(GLYPHS[i]), PIECE_LETTERS[i], 2 + i);
        if (side == 0) add(line, QStringLiteral("\u2715"), '-', -1);
        line->addStretch(1);
    }
    QHBoxLayout* sides = new_row();
    white_moves_ = new QRadioButton(QStringLiteral("Bianco muove / White to move"), palette);
    auto* black_moves = new QRadioButton(QStringLiteral("Nero / Black"), palette);
    white_moves_->setObjectName("whiteToMove");
    black_moves->setObjectName("blackToMove");
    sides->addWidget(white_moves_);
    sides->addWidget(black_moves);
    sides->addStretch(1);
    QHBoxLayout* castling = new_row();
    const char* rights[4] = {"O-O", "O-O-O", "o-o", "o-o-o"};
    for (int i = 0; i < 4; ++i) {
        rights_[i] = new QCheckBox(QString::fromLatin1(rights[i]), palette);
        rights_[i]->setObjectName(QStringLiteral("right%1").arg(i));
        rights_[i]->setChecked(true);
        castling->addWidget(rights_[i]);
    }
    castling->addStretch(1);
    return palette;
}

void TBoardPanel::ShowEditPalette(bool on, bool white_to_move) {
    // Made when edit mode is first entered: the first window shows none of it.
    if (palette_ == nullptr) {
        if (!on) return;
        palette_ = CreateEditPalette();
        palette_->hide();
        layout_->insertWidget(layout_->indexOf(frame) + 1, palette_);
    }
    if (on && palette_->isHidden()) {
        white_moves_->setChecked(white_to_move);
        palette_->findChild<QRadioButton*>("blackToMove")->setChecked(!white_to_move);
    }
    if (!on)
        for (QToolButton* button : palette_->findChildren<QToolButton*>())
            button->setChecked(false);
    // What acts only on a game gives the palette its room, so that the
    // window need not grow on a small screen.
    if (step_bar_ != nullptr) step_bar_->setVisible(!on);
    txtMossaTastiera->setVisible(!on);
    QSizePolicy policy = stepped_->sizePolicy();
    policy.setRetainSizeWhenHidden(!on);
    stepped_->setSizePolicy(policy);
    palette_->setVisible(on);
}

bool TBoardPanel::EditWhiteToMove() const {
    return palette_ == nullptr || white_moves_->isChecked();
}

std::array<bool, 4> TBoardPanel::EditRights() const {
    if (palette_ == nullptr) return {true, true, true, true};
    return {rights_[0]->isChecked(), rights_[1]->isChecked(), rights_[2]->isChecked(),
            rights_[3]->isChecked()};
}

void TBoardPanel::ShowStepped(const QString& caption) {
    stepped_caption_ = caption;
    stepped_->setToolTip(caption);
    FitSteppedCaption();
    stepped_->setVisible(!caption.isEmpty());
}

// The caption cut to the line's width, whole in its tooltip.
void TBoardPanel::FitSteppedCaption() {
    const int room = stepped_->contentsRect().width() - 4;
    stepped_->setText(
        stepped_->fontMetrics().elidedText(stepped_caption_, Qt::ElideRight, std::max(room, 0)));
}

void TBoardPanel::AddStepButtons(const QList<QAction*>& actions) {
    auto* bar = new QWidget(this);
    step_bar_ = bar;
    auto* line = new QHBoxLayout(bar);
    line->setContentsMargins(0, 0, 0, 0);
    line->addStretch();
    for (QAction* action : actions) {
        auto* button = new QToolButton(bar);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        line->addWidget(button);
    }
    line->addStretch();
    layout_->insertWidget(layout_->indexOf(lblLivello), bar);
}

void TBoardPanel::PlaceClocks() {
    layout_->removeWidget(black_row_);
    layout_->removeWidget(white_row_);
    const bool turned = scacchiera->GetBlackAtBottom();
    layout_->insertWidget(0, turned ? white_row_ : black_row_);
    layout_->insertWidget(layout_->indexOf(frame) + 1, turned ? black_row_ : white_row_);
}

void TBoardPanel::Reverse() {
    scacchiera->SetBlackAtBottom(!scacchiera->GetBlackAtBottom());
    PlaceClocks();
    frame->update();
}

char TBoardPanel::ChoosePromotion(bool white, QPoint where) {
    QMenu menu(this);
    menu.setObjectName("mnuPromozione");
    const struct {
        char letter;
        const char* name;
    } pieces[] = {{'q', "&Donna / Queen"},
                  {'r', "&Torre / Rook"},
                  {'b', "&Alfiere / Bishop"},
                  {'n', "&Cavallo / Knight"}};
    const ImageList* pictures = scacchiera->GetPictures();
    for (const auto& piece : pieces) {
        QAction* action = menu.addAction(QString::fromUtf8(piece.name));
        action->setData(QChar(piece.letter));
        // The piece's own picture, in the side's colour.
        const char letter = white ? piece.letter : static_cast<char>(piece.letter - 'a' + 'A');
        const int image = scacchiera->IconaPezzo(letter);
        if (pictures != nullptr && image < pictures->size()) action->setIcon(QIcon((*pictures)[image]));
    }
    menu.setActiveAction(menu.actions().front());
    const QAction* chosen = menu.exec(where);
    return chosen == nullptr ? 0 : static_cast<char>(chosen->data().toChar().toLatin1());
}

} // namespace galvetta
