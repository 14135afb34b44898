// SPDX-License-Identifier: GPL-3.0-or-later
// The chess clock widget: a shadowed label whose caption is the clock's value.
#pragma once

#include "play/ChessClock.h"
#include "ui/QuorLabel.h"

namespace galvetta {

class TQuorClock : public TQuorLabel, public ChessClock {
    Q_OBJECT
  public:
    explicit TQuorClock(QWidget* parent = nullptr);

    // Whether a refused circular link is told to the user in a (non-modal)
    // message box; off on the offscreen platform and in tests.
    static bool ShowMessages;

  protected:
    void CaptionChanged() override;
    void CircularLinkRefused() override;
};

} // namespace galvetta
