// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "play/ChessClock.h"
#include "play/TimeControl.h"

namespace galvetta::test {

namespace {

class RecordingClock : public ChessClock {
  public:
    int refused = 0;
    int captions = 0;

  protected:
    void CaptionChanged() override { ++captions; }
    void CircularLinkRefused() override { ++refused; }
};

} // namespace

TEST(Clock, CaptionFormat) {
    const std::pair<int, const char*> rows[] = {{300, "05:00"}, {7200, "120:00"}, {-5, "00:-5"},
                                                {-65, "-1:-5"}, {59, "00:59"},    {0, "00:00"}};
    for (const auto& [value, text] : rows)
        EXPECT_EQ(ChessClock::FormatSeconds(value), text) << value;
}

TEST(Clock, LinkedSetStartSwitchAndTick) {
    RecordingClock white, black;
    ASSERT_TRUE(white.SetLinkedClock(&black));
    white.Set(300, true);
    EXPECT_EQ(white.Caption(), "05:00");
    EXPECT_EQ(black.Caption(), "05:00");
    EXPECT_EQ(black.Step, -1);

    // Both stopped: Switch starts the partner.
    white.Switch(0);
    EXPECT_FALSE(white.Started());
    EXPECT_TRUE(black.Started());
    white.Tick(); // white is stopped: the tick goes to the running partner
    EXPECT_EQ(black.GetValue(), 299);
    EXPECT_EQ(white.GetValue(), 300);
    // The running partner gets the bonus and stops; white runs.
    white.Switch(12);
    EXPECT_EQ(black.GetValue(), 311);
    EXPECT_FALSE(black.Started());
    EXPECT_TRUE(white.Started());
    white.Tick();
    EXPECT_EQ(white.GetValue(), 299);
    // Running clock receives the bonus, the other starts.
    white.Switch(5);
    EXPECT_EQ(white.GetValue(), 304);
    EXPECT_TRUE(black.Started());
    white.Stop();
    EXPECT_FALSE(white.Started());
    EXPECT_FALSE(black.Started());
    white.Start(true); // other: white stops, black runs
    EXPECT_TRUE(black.Started());
    white.Start(false); // this one runs too; the partner is not touched
    EXPECT_TRUE(white.Started() && black.Started());
}

TEST(Clock, CountsBelowZeroWithoutBoundEventsAndStopsAtBoundsWithThem) {
    RecordingClock clock;
    clock.Set(1, false);
    clock.Start(false);
    int ticks = 0;
    clock.OnTick = [&](ChessClock*) { ++ticks; };
    clock.Tick();
    clock.Tick();
    EXPECT_EQ(clock.GetValue(), -1);
    EXPECT_EQ(ticks, 2);

    int at_min = 0;
    clock.Set(2, false, 10, 0, -1);
    clock.OnTickToMin = [&](ChessClock*) { ++at_min; };
    clock.Tick();
    clock.Tick(); // reaches Min
    EXPECT_EQ(clock.GetValue(), 0);
    EXPECT_EQ(at_min, 1);
    EXPECT_EQ(ticks, 3);
}

TEST(Clock, SameValueLeavesTheCaptionAlone) {
    RecordingClock clock;
    clock.SetValue(300);
    clock.SetCaption("05:00 Tempo scaduto (out of time)");
    const int before = clock.captions;
    clock.SetValue(300);
    EXPECT_EQ(clock.captions, before);
    EXPECT_EQ(clock.Caption(), "05:00 Tempo scaduto (out of time)");
}

TEST(Clock, CircularLinksAreRefused) {
    RecordingClock white, black;
    ASSERT_TRUE(white.SetLinkedClock(&black));
    EXPECT_FALSE(black.SetLinkedClock(&white));
    EXPECT_EQ(black.refused, 1);
    EXPECT_EQ(black.GetLinkedClock(), nullptr);
    EXPECT_FALSE(white.SetLinkedClock(&white));
    EXPECT_EQ(white.GetLinkedClock(), &black);
    EXPECT_TRUE(white.SetLinkedClock(nullptr));
    EXPECT_EQ(white.GetLinkedClock(), nullptr);
}

TEST(TimeControl, LevelAndStLines) {
    struct Row {
        const char* line;
        bool read;
        int moves, base, increment;
        double per_move;
    } rows[] = {
        {"level 40 120 0", true, 40, 7200, 0, 0},
        {"level 0 5:30 2", true, 0, 330, 2, 0},
        {"st 2.5", true, 0, 0, 0, 2.5},
        {"level 40 5", false, 0, 0, 0, 0},
        {"level 0 0 5", false, 0, 0, 0, 0},
        {"level 0 :30 0", false, 0, 0, 0, 0},
        {"level -1 5 0", false, 0, 0, 0, 0},
        {"level 0 5x 0", false, 0, 0, 0, 0},
        {"level 0 99999999 0", false, 0, 0, 0, 0},
        {"st 0", false, 0, 0, 0, 0},
        {"st 5s", false, 0, 0, 0, 0},
        {"st", false, 0, 0, 0, 0},
        {"5 minutes", false, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        const Parsed<TimeControl> control = ParseTimeControl(row.line);
        ASSERT_EQ(control.value.has_value(), row.read) << row.line;
        if (!row.read) {
            EXPECT_FALSE(control.error.empty()) << row.line;
            continue;
        }
        EXPECT_EQ(control.value->moves, row.moves) << row.line;
        EXPECT_EQ(control.value->base_seconds, row.base) << row.line;
        EXPECT_EQ(control.value->increment_seconds, row.increment) << row.line;
        EXPECT_EQ(control.value->seconds_per_move, row.per_move) << row.line;
    }
}

} // namespace galvetta::test
