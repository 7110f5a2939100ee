#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tw::diskio {

class TStatusDialog;

/// What a front end shows of the progress model; every method has an empty default.
class TStatusView {
public:
    virtual ~TStatusView() = default;
    /// The dialog was shown or hidden.
    virtual void SetVisible(bool /*visible*/) {}
    /// Texts, bar or time-left line changed.
    virtual void Refresh(const TStatusDialog& /*dialog*/) {}
    /// Let the user interface process its pending events (a click on Cancel among them).
    virtual void Pump() {}
};

/// The progress model that every long operation drives: title and four lines, a 0..100
/// bar throttled to one update per UpdateInterval, a time-left estimate recomputed at most
/// every 5000 ms, and the Cancelled flag. Protocol: Prepare, set Total/StepSize/
/// UpdateInterval when the bar shows, Show, then per unit of work StepProgress and, when
/// UpdateDue answers true, SetTexts and PumpMessages, stopping once Cancelled; Hide.
/// Tick arithmetic is modulo 2^32, so a wrapping clock never freezes the throttle.
class TStatusDialog {
public:
    explicit TStatusDialog(TStatusView* view = nullptr);

    /// Starts an operation and sets all five texts, empty ones included. With showBar the
    /// bar shows at 0, the counters and the time-left clock restart and the next UpdateDue
    /// answers true; without it the bar hides and the counters keep their values.
    void Prepare(const std::string& title, const std::string& line1, const std::string& line2,
                 const std::string& line3, const std::string& line4, bool showBar, bool timeLeft);
    /// Replaces each text whose new value is not empty.
    void SetTexts(const std::string& title, const std::string& line1, const std::string& line2,
                  const std::string& line3, const std::string& line4);
    /// Adds StepSize to Done; when an update is due, moves the bar (0 while Total is 0,
    /// at most 100) and, every 5000 ms, the time-left line.
    void StepProgress();
    /// True when the caller should refresh its texts and pump now: once after Prepare or
    /// after a bar move, else when UpdateInterval has passed (which it then takes, so the
    /// bar waits for the next interval).
    [[nodiscard]] bool UpdateDue();
    /// Writes "Time left: …" from Total, Done and the elapsed seconds; the estimate never
    /// goes below 0. With nothing done yet there is no estimate and the line stays.
    void ShowTimeLeft();
    /// The time-left clock starts again at the next due step; a pause is not counted.
    void ResetTimer();
    /// Makes the dialog visible; becoming visible clears Cancelled.
    void Show();
    void Hide();
    /// Lets the front end process pending events.
    void PumpMessages();
    /// The user's Cancel: sets Cancelled; the dialog stays until the operation hides it.
    void CancelBtnClick();

    /// Amount that makes 100 percent.
    uint64_t Total = 0;
    /// Amount that one StepProgress adds.
    uint64_t StepSize = 1;
    /// Minimum milliseconds between two bar updates.
    uint32_t UpdateInterval = 0;
    /// The user asked to stop.
    bool Cancelled = false;

    [[nodiscard]] const std::string& Title() const { return m_Title; }
    /// Line 1..4; any other index gives an empty text.
    [[nodiscard]] const std::string& Line(int index) const;
    [[nodiscard]] const std::string& TimeLeftLine() const { return m_TimeLeftLine; }
    [[nodiscard]] int BarPosition() const { return m_BarPosition; }
    [[nodiscard]] bool BarVisible() const { return m_BarVisible; }
    [[nodiscard]] bool Visible() const { return m_Visible; }
    [[nodiscard]] uint64_t Done() const { return m_Done; }
    [[nodiscard]] uint32_t ElapsedSeconds() const { return m_ElapsedSeconds; }

private:
    [[nodiscard]] bool IntervalOver(uint32_t now) const;
    void WriteTimeLeft();
    void Refresh();

    TStatusView* m_View;
    std::string m_Title;
    std::array<std::string, 4> m_Lines;
    std::string m_TimeLeftLine;
    int m_BarPosition = 0;
    bool m_BarVisible = false;
    bool m_Visible = false;
    uint64_t m_Done = 0;
    // Whether LastUpdate and ClockStart hold readings at all: a boot-time clock can read 0,
    // so 0 cannot mean "none yet".
    bool m_HasLastUpdate = false;
    uint32_t m_LastUpdate = 0;
    bool m_ClockRunning = false;
    uint32_t m_ClockStart = 0;
    uint32_t m_ElapsedSeconds = 0;
    bool m_TimeLeftEnabled = false;
    bool m_UpdatePending = false;
};

} // namespace tw::diskio
