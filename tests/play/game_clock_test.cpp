// SPDX-License-Identifier: GPL-3.0-or-later
// The game's clock on a time of the test's own: who runs after each event,
// the increment to the side that moved, a time a move afresh, the flag, and
// the components showing it all.
#include <gtest/gtest.h>

#include "play/GameClock.h"

namespace galvetta::test {

namespace {

struct ClockFixture : ::testing::Test {
    ClockFixture() { white.SetLinkedClock(&black); }
    ChessClock white, black;
    int64_t now = 0;
    TGameClock clock{white, black, [this] { return now; }};
};

} // namespace

TEST_F(ClockFixture, TheSideThatMovedGetsItsIncrementAndTheOtherRuns) {
    clock.SetControl({.base_seconds = 180, .increment_seconds = 2});
    EXPECT_FALSE(clock.Running()); // none runs before the first move
    now += 5000;
    clock.Moved(true);
    EXPECT_EQ(clock.Running(), std::optional<bool>(false));
    EXPECT_EQ(clock.Remaining(true), 182000);
    now += 1500;
    EXPECT_EQ(clock.Remaining(false), 178500);
    clock.Moved(false);
    EXPECT_EQ(clock.Remaining(false), 180500);
    EXPECT_EQ(clock.Running(), std::optional<bool>(true));
    EXPECT_TRUE(white.Started() && !black.Started()); // the components show it
    now += 300;
    clock.Tick();
    EXPECT_EQ(white.Caption(), "03:02"); // 181.7 s: a second begun is shown

    // A take-back: the side to move again runs, with no increment.
    clock.TakenBack(false);
    EXPECT_EQ(clock.Running(), std::optional<bool>(false));
    EXPECT_EQ(clock.Remaining(true), 181700);
    // Stepping back: both wait; going on, the side then to move runs.
    clock.Pause();
    now += 60000;
    clock.TakenBack(true);
    clock.Resume(true);
    EXPECT_EQ(clock.Running(), std::optional<bool>(true));
    EXPECT_EQ(clock.Remaining(false), 180500);
    // A person's take-back: nothing runs until the person moves.
    clock.Wait();
    now += 9000;
    clock.Moved(true);
    EXPECT_EQ(clock.Remaining(true), 183700);
    EXPECT_EQ(clock.Running(), std::optional<bool>(false));

    // Off the clock (force mode, an edit), moves start nothing and earn nothing.
    clock.Stop();
    clock.Moved(false);
    EXPECT_FALSE(clock.Running());
    EXPECT_EQ(clock.Remaining(false), 180500);
}

TEST_F(ClockFixture, ATimeAMoveAndTheFlag) {
    clock.SetControl({.seconds_per_move = 5});
    EXPECT_EQ(white.Caption(), "00:05");
    clock.Start(true);
    now += 4000;
    clock.Moved(true);
    EXPECT_EQ(clock.Remaining(false), 5000); // afresh for the side to move
    now += 4999;
    EXPECT_FALSE(clock.Tick());
    EXPECT_EQ(black.Caption(), "00:01");
    now += 1;
    EXPECT_TRUE(clock.Tick());
    EXPECT_EQ(clock.Fallen(), std::optional<bool>(false));
    EXPECT_FALSE(clock.Running());
    EXPECT_EQ(black.Caption(), "00:00 Tempo scaduto (out of time)");
    EXPECT_FALSE(clock.Tick()); // it falls once

    // An interface's figures: set, never run by themselves.
    clock.SetControl({.base_seconds = 300});
    clock.SetTime(true, 123450);
    clock.SetTime(false, 999);
    EXPECT_EQ(white.GetValue(), 124);
    EXPECT_EQ(black.GetValue(), 1);
    EXPECT_FALSE(clock.Fallen());
}

} // namespace galvetta::test
