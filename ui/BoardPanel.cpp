// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BoardPanel.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/GraphicChessBoard.h"
#include "ui/QuorClock.h"

namespace galvetta {

TBoardPanel::TBoardPanel(const ImageList* pictures, QWidget* parent)
    : QWidget(parent), layout_(new QVBoxLayout(this)) {
    clkNero = new TQuorClock(this);
    clkBianco = new TQuorClock(this);
    for (TQuorClock* clock : {clkNero, clkBianco}) {
        clock->setObjectName(clock == clkNero ? "clkNero" : "clkBianco");
        clock->setText(QStringLiteral("05:00"));
        QFont font = clock->font();
        font.setPointSize(20);
        font.setBold(true);
        clock->setFont(font);
        clock->setMinimumHeight(36);
        clock->Max = 0;
        clock->Step = -1;
        clock->OnTick = [](ChessClock* ticking) {
            // Out of time: the clock stops at zero and says so.
            if (ticking->GetValue() > 0) return;
            ticking->Stop();
            ticking->SetValue(0);
            auto* widget = static_cast<TQuorClock*>(ticking);
            widget->setText(widget->text() + QStringLiteral(" Tempo scaduto (out of time)"));
        };
    }
    clkBianco->SetLinkedClock(clkNero);
    scacchiera = new TGraphicChessBoard(this);
    scacchiera->setObjectName("scacchiera");
    scacchiera->SetPictures(pictures);
    layout_->addWidget(clkNero);
    layout_->addWidget(scacchiera);
    layout_->addWidget(clkBianco);

    trkLivelli = new QSlider(Qt::Horizontal, this);
    trkLivelli->setRange(2, 40);
    trkLivelli->setValue(8);
    lblLivello = new QLabel(QStringLiteral("Livello 8"), this);
    connect(trkLivelli, &QSlider::valueChanged, this,
            [this](int position) { lblLivello->setText(QStringLiteral("Livello: %1 (ply)").arg(position)); });
    layout_->addWidget(lblLivello);
    layout_->addWidget(trkLivelli);
}

void TBoardPanel::PlaceClocks() {
    layout_->removeWidget(clkNero);
    layout_->removeWidget(clkBianco);
    const bool turned = scacchiera->GetBlackAtBottom();
    layout_->insertWidget(0, turned ? clkBianco : clkNero);
    layout_->insertWidget(2, turned ? clkNero : clkBianco);
}

void TBoardPanel::Reverse() {
    scacchiera->SetBlackAtBottom(!scacchiera->GetBlackAtBottom());
    PlaceClocks();
}

} // namespace galvetta
