#include "diskio/status_dialog.h"
#include "platform/clock.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tw::diskio {
namespace {

class TRecordingView final : public TStatusView {
public:
    void SetVisible(bool visible) override { VisibleCalls.push_back(visible); }
    void Refresh(const TStatusDialog& /*dialog*/) override { ++Refreshes; }
    void Pump() override { ++Pumps; }

    std::vector<bool> VisibleCalls;
    int Refreshes = 0;
    int Pumps = 0;
};

class StatusDialogTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetClock(&Clock); }
    void TearDown() override { platform::SetClock(nullptr); }

    // An operation with the bar, Total/StepSize/UpdateInterval set as callers do.
    void PrepareBar(uint64_t total, uint64_t stepSize, uint32_t interval, bool timeLeft = false) {
        Dialog.Prepare("Title", "one", "two", "three", "four", true, timeLeft);
        Dialog.Total = total;
        Dialog.StepSize = stepSize;
        Dialog.UpdateInterval = interval;
    }

    platform::TManualClock Clock{100000};
    TRecordingView View;
    TStatusDialog Dialog{&View};
};

TEST_F(StatusDialogTest, PrepareSetsAllTextsAndSetTextsOnlyNonEmptyOnes) {
    Dialog.Prepare("Scanning devices", "", "Please wait...", "", "", false, false);
    EXPECT_EQ(Dialog.Title(), "Scanning devices");
    EXPECT_EQ(Dialog.Line(1), "");
    EXPECT_EQ(Dialog.Line(2), "Please wait...");
    EXPECT_FALSE(Dialog.BarVisible());

    Dialog.SetTexts("", "On device: disk", "", "", "four");
    EXPECT_EQ(Dialog.Title(), "Scanning devices");
    EXPECT_EQ(Dialog.Line(1), "On device: disk");
    EXPECT_EQ(Dialog.Line(2), "Please wait...");
    EXPECT_EQ(Dialog.Line(4), "four");
    EXPECT_EQ(Dialog.Line(0), "");
    EXPECT_EQ(Dialog.Line(5), "");

    Dialog.Prepare("Next", "", "", "", "", false, false);
    EXPECT_EQ(Dialog.Line(1), "");
    EXPECT_EQ(Dialog.Line(4), "");
    EXPECT_GE(View.Refreshes, 3);
}

TEST_F(StatusDialogTest, UpdateDueAfterPrepare) {
    PrepareBar(100, 1, 500);
    EXPECT_TRUE(Dialog.BarVisible());
    EXPECT_EQ(Dialog.BarPosition(), 0);
    // The first answer comes from Prepare; the second takes the first clock reading, since
    // nothing was updated before.
    EXPECT_TRUE(Dialog.UpdateDue());
    EXPECT_TRUE(Dialog.UpdateDue());
    EXPECT_FALSE(Dialog.UpdateDue());
    Clock.Advance(499); // the interval is not over yet
    EXPECT_FALSE(Dialog.UpdateDue());
    Clock.Advance(1);
    EXPECT_TRUE(Dialog.UpdateDue());
    EXPECT_FALSE(Dialog.UpdateDue());
}

TEST_F(StatusDialogTest, StepAndUpdateDueShareTheInterval) {
    PrepareBar(100, 1, 500);
    EXPECT_TRUE(Dialog.UpdateDue());
    Dialog.StepProgress(); // first step is due at once
    EXPECT_EQ(Dialog.BarPosition(), 1);
    EXPECT_TRUE(Dialog.UpdateDue()); // a bar move makes the next answer true
    EXPECT_FALSE(Dialog.UpdateDue());

    Dialog.StepProgress(); // not due: the bar stays
    EXPECT_EQ(Dialog.BarPosition(), 1);
    EXPECT_EQ(Dialog.Done(), 2u);

    Clock.Advance(501);
    EXPECT_TRUE(Dialog.UpdateDue()); // takes the interval ...
    Dialog.StepProgress();           // ... so the bar waits for the next one
    EXPECT_EQ(Dialog.BarPosition(), 1);
    Clock.Advance(501);
    Dialog.StepProgress();
    EXPECT_EQ(Dialog.BarPosition(), 4);
}

TEST_F(StatusDialogTest, BarPercentRoundsHalfToEven) {
    struct TCase {
        uint64_t Total;
        uint64_t StepSize;
        std::vector<int> Bars; // after each due step
    };
    const TCase cases[] = {
        {3, 1, {33, 67, 100}},
        {8, 1, {12, 25, 38, 50}}, // 12.5 goes to 12, 37.5 to 38
        {200, 1, {0, 1, 2}},      // 0.5 goes to 0, 1.5 to 2
        {0, 1, {0, 0}},           // no total: the bar stays at 0
        {2, 1, {50, 100, 100}},   // past the total the bar stays full
        {uint64_t{1} << 40, uint64_t{1} << 39, {50, 100}},
    };
    for (const TCase& c : cases) {
        PrepareBar(c.Total, c.StepSize, 0);
        for (size_t i = 0; i < c.Bars.size(); ++i) {
            Clock.Advance(1);
            Dialog.StepProgress();
            EXPECT_EQ(Dialog.BarPosition(), c.Bars[i]) << "total " << c.Total << " step " << i;
        }
    }
}

TEST_F(StatusDialogTest, PrepareWithoutBarKeepsCounters) {
    PrepareBar(10, 1, 500, true);
    Dialog.StepProgress(); // due: bar and time-left clock start
    Dialog.StepProgress();
    EXPECT_TRUE(Dialog.UpdateDue()); // the bar move's pending answer
    Dialog.Prepare("Other", "", "", "", "", false, true);
    EXPECT_FALSE(Dialog.BarVisible());
    EXPECT_EQ(Dialog.Done(), 2u);
    // LastUpdate was kept: no immediate update.
    EXPECT_FALSE(Dialog.UpdateDue());
    // The time-left clock was kept: the next due step counts the seconds since it began.
    Clock.Advance(6000);
    Dialog.StepProgress();
    EXPECT_EQ(Dialog.ElapsedSeconds(), 6u);
}

TEST_F(StatusDialogTest, TimeLeftTexts) {
    // Two due steps: the first starts the clock, the second after elapsedMs writes the line
    // with Done = 2.
    struct TCase {
        uint32_t ElapsedMs;
        uint64_t Total;
        const char* Expected;
    };
    const TCase cases[] = {
        {60000, 4, "Time left: 60 second(s)"},
        {61000, 4, "Time left: 1 minute(s)"},
        {90000, 4, "Time left: 2 minute(s)"},
        {150000, 4, "Time left: 2 minute(s)"}, // 2.5 goes to the even 2
        {210000, 4, "Time left: 4 minute(s)"}, // 3.5 goes to 4
        {10000, 1, "Time left: 0 second(s)"},  // done beyond total: nothing left
        {10000, 0, "Time left: 0 second(s)"},
        {5500, 4, "Time left: 6 second(s)"}, // 5.5 s counts as 6
    };
    for (const TCase& c : cases) {
        PrepareBar(c.Total, 1, 0, true);
        EXPECT_EQ(Dialog.TimeLeftLine(), "");
        Clock.Advance(1);
        Dialog.StepProgress();
        Clock.Advance(c.ElapsedMs);
        Dialog.StepProgress();
        EXPECT_EQ(Dialog.TimeLeftLine(), c.Expected) << c.ElapsedMs << " ms";
    }
}

TEST_F(StatusDialogTest, TimeLeftAtMostEveryFiveSecondsAndOnlyWhenEnabled) {
    PrepareBar(1000, 1, 0, true);
    Clock.Advance(7000); // before the first due step: not counted
    Dialog.StepProgress();
    Clock.Advance(5000); // exactly 5000 ms: not yet
    Dialog.StepProgress();
    EXPECT_EQ(Dialog.ElapsedSeconds(), 0u);
    EXPECT_EQ(Dialog.TimeLeftLine(), "");
    Clock.Advance(1);
    Dialog.StepProgress();
    EXPECT_EQ(Dialog.ElapsedSeconds(), 5u);
    EXPECT_EQ(Dialog.TimeLeftLine(), "Time left: 28 minute(s)"); // 1000/3*5 - 5 = 1662 s

    PrepareBar(1000, 1, 0, false);
    Dialog.StepProgress();
    Clock.Advance(10000);
    Dialog.StepProgress();
    EXPECT_EQ(Dialog.ElapsedSeconds(), 0u);
    EXPECT_EQ(Dialog.TimeLeftLine(), "");
}

TEST_F(StatusDialogTest, ResetTimerLeavesPauseUncounted) {
    PrepareBar(100, 1, 0, true);
    Dialog.StepProgress();
    Clock.Advance(6000);
    Dialog.StepProgress();
    EXPECT_EQ(Dialog.ElapsedSeconds(), 6u);

    Dialog.ResetTimer();
    Clock.Advance(60000);  // the user's pause
    Dialog.StepProgress(); // restarts the clock
    Clock.Advance(6000);
    Dialog.StepProgress();
    EXPECT_EQ(Dialog.ElapsedSeconds(), 12u);
}

TEST_F(StatusDialogTest, ShowTimeLeftWithNothingDoneKeepsLine) {
    PrepareBar(100, 1, 0, true);
    Dialog.ShowTimeLeft();
    EXPECT_EQ(Dialog.TimeLeftLine(), "");
}

TEST_F(StatusDialogTest, TickWrapDoesNotFreezeUpdates) {
    // LastUpdate + UpdateInterval stays below 2^32 while the clock wraps past it: a plain
    // "now > LastUpdate + UpdateInterval" would stay false for another 49 days.
    Clock.Set(0xFFFFFD00u);
    PrepareBar(1000, 1, 500, true);
    Dialog.StepProgress();
    EXPECT_TRUE(Dialog.UpdateDue());
    EXPECT_FALSE(Dialog.UpdateDue());
    Clock.Advance(0x400); // now 0x100, past the wrap
    EXPECT_TRUE(Dialog.UpdateDue());
    Clock.Advance(501);
    Dialog.StepProgress();
    Clock.Advance(6000);
    Dialog.StepProgress();
    EXPECT_EQ(Dialog.ElapsedSeconds(), 8u); // 1024 + 501 + 6000 ms since the clock began
    EXPECT_EQ(Dialog.TimeLeftLine(), "Time left: 44 minute(s)");
}

TEST_F(StatusDialogTest, ClockReadingZeroIsARealUpdate) {
    Clock.Set(0);
    PrepareBar(100, 1, 500);
    Dialog.StepProgress(); // due at tick 0
    EXPECT_TRUE(Dialog.UpdateDue());
    Dialog.StepProgress(); // still tick 0: updated just now, not "never"
    EXPECT_FALSE(Dialog.UpdateDue());
    EXPECT_EQ(Dialog.BarPosition(), 1);
}

TEST_F(StatusDialogTest, ShowClearsCancelledHideKeepsIt) {
    Dialog.CancelBtnClick();
    EXPECT_TRUE(Dialog.Cancelled);
    Dialog.Show();
    EXPECT_TRUE(Dialog.Visible());
    EXPECT_FALSE(Dialog.Cancelled);

    Dialog.CancelBtnClick(); // the dialog stays until the operation hides it
    EXPECT_TRUE(Dialog.Visible());
    EXPECT_TRUE(Dialog.Cancelled);
    Dialog.PumpMessages();
    Dialog.Hide();
    EXPECT_FALSE(Dialog.Visible());
    EXPECT_TRUE(Dialog.Cancelled);

    Dialog.Show();
    EXPECT_FALSE(Dialog.Cancelled);
    EXPECT_EQ(View.VisibleCalls, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(View.Pumps, 1);
}

TEST(TStatusDialog, WorksWithoutView) {
    platform::TManualClock clock(5);
    platform::SetClock(&clock);
    TStatusDialog dialog;
    dialog.Prepare("t", "1", "2", "3", "4", true, true);
    dialog.Total = 2;
    dialog.Show();
    dialog.StepProgress();
    dialog.PumpMessages();
    dialog.Hide();
    platform::SetClock(nullptr);
    EXPECT_EQ(dialog.BarPosition(), 50);
}

} // namespace
} // namespace tw::diskio
