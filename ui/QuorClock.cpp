// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuorClock.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace galvetta {

bool TQuorClock::ShowMessages = true;

TQuorClock::TQuorClock(QWidget* parent) : TQuorLabel(parent) {}

void TQuorClock::CaptionChanged() {
    setText(QString::fromStdString(Caption()));
}

void TQuorClock::CircularLinkRefused() {
    if (!ShowMessages || QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Galvetta"),
                                QStringLiteral("Circular links are not allowed"), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace galvetta
