// SPDX-License-Identifier: GPL-3.0-or-later
// The game's one clock: the time control and both sides' times, in
// milliseconds. It is told who moved, took back, set up or stepped away, and
// never guesses; the flag falls here and nowhere else. It drives the two
// clock components (the window's widgets, or plain ones without a window) so
// that they show its times and which one runs; their own Tick and Switch
// stay as the component has them, unused by the game.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "play/ChessClock.h"
#include "play/TimeControl.h"

namespace galvetta {

class TGameClock {
  public:
    // Milliseconds from any fixed point; the steady clock unless a test
    // gives its own.
    using Now = std::function<int64_t()>;

    TGameClock(ChessClock& white, ChessClock& black, Now now = {});

    // The control, and both times from its base (or its time a move); no
    // clock runs until a move is made (the game is on the clock).
    void SetControl(const TimeControl& control);
    const TimeControl& Control() const { return control_; }
    // Whether anybody stated the control (UCI gives clocks, never a control).
    void SetControlKnown(bool known) { control_known_ = known; }
    bool ControlKnown() const { return control_known_; }
    // The times as an interface gives them; the clocks stay as they are.
    void SetTime(bool white, int64_t ms);

    // Both times afresh from the control, no clock running, the game on
    // the clock.
    void Restart();
    // `white` is to move and its clock runs; the game is on the clock.
    void Start(bool white);
    // No clock runs, and moves start none (force mode, an edit, an end).
    void Stop();
    // The side that moved gets its increment and its clock stops; on the
    // clock, the other side's runs (under a time a move, from that time
    // afresh).
    void Moved(bool white);
    // A move was taken back and `white_to_move` has the move again: on the
    // clock, its clock runs, with no increment given or taken.
    void TakenBack(bool white_to_move);
    // No clock runs until the next move, which switches them as ever (a
    // person's take-back: the person's time waits for the person's move).
    void Wait();
    // The person looks at an earlier position: the clocks wait. Resume
    // starts the side to move's clock again, if the game was on the clock.
    void Pause();
    void Resume(bool white_to_move);

    // A side that plays on no clock at all (none: both are timed, as the
    // control says); its clock never runs and its flag never falls.
    void SetUntimedSide(std::optional<bool> side);

    // Milliseconds left to the side, counting the running clock to now.
    int64_t Remaining(bool white) const;
    // Which clock runs (none: nullopt).
    std::optional<bool> Running() const { return running_; }
    bool OnTheClock() const { return on_; }
    // The side whose time ran out, once its flag has fallen.
    std::optional<bool> Fallen() const { return fallen_; }

    // Every tick of the move timer: the components show the times, and the
    // running side's flag falls when its time is out (its clock then stops
    // at zero). True when a flag fell at this tick.
    bool Tick();

  private:
    int64_t& Left(bool white) { return left_ms_[white ? 0 : 1]; }
    ChessClock& Component(bool white) { return white ? white_ : black_; }
    // The running clock's time charged up to now.
    void Charge();
    void Run(std::optional<bool> side);
    void Show();

    ChessClock& white_;
    ChessClock& black_;
    Now now_;
    TimeControl control_{.base_seconds = 300};
    bool control_known_ = true;
    int64_t left_ms_[2] = {300000, 300000};
    std::optional<bool> running_;
    int64_t since_ms_ = 0; // when the running clock was last charged
    bool on_ = false;      // moves switch the clocks
    bool paused_ = false;
    std::optional<bool> fallen_;
    std::optional<bool> untimed_side_;
};

} // namespace galvetta
