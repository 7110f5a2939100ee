#include "diskio/status_dialog.h"

#include "platform/clock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tw::diskio {

namespace {

constexpr uint32_t TimeLeftPeriodMs = 5000;
constexpr uint64_t MaxSecondsShown = 60;

// Every rounding of the dialog: to the nearest integer, halves to the even one.
double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

} // namespace

TStatusDialog::TStatusDialog(TStatusView* view) : m_View(view) {}

void TStatusDialog::Prepare(const std::string& title, const std::string& line1,
                            const std::string& line2, const std::string& line3,
                            const std::string& line4, bool showBar, bool timeLeft) {
    if (showBar) {
        m_TimeLeftLine.clear();
        m_BarPosition = 0;
        m_BarVisible = true;
        m_Done = 0;
        m_HasLastUpdate = false;
        m_ClockRunning = false;
        m_ElapsedSeconds = 0;
        m_UpdatePending = true;
    } else {
        m_BarVisible = false;
    }
    m_TimeLeftEnabled = timeLeft;
    m_Title = title;
    m_Lines = {line1, line2, line3, line4};
    Refresh();
}

void TStatusDialog::SetTexts(const std::string& title, const std::string& line1,
                             const std::string& line2, const std::string& line3,
                             const std::string& line4) {
    if (!title.empty()) {
        m_Title = title;
    }
    const std::array<const std::string*, 4> lines = {&line1, &line2, &line3, &line4};
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i]->empty()) {
            m_Lines[i] = *lines[i];
        }
    }
    Refresh();
}

bool TStatusDialog::IntervalOver(uint32_t now) const {
    // Unsigned difference: correct across the 2^32 wrap of the tick count. An interval of 0
    // makes every step due (saving redraws the bar on every read).
    return !m_HasLastUpdate || static_cast<uint32_t>(now - m_LastUpdate) >= UpdateInterval;
}

void TStatusDialog::StepProgress() {
    m_Done += StepSize;
    const uint32_t now = platform::GetTickCount();
    if (!IntervalOver(now)) {
        return;
    }
    m_UpdatePending = true;
    m_HasLastUpdate = true;
    m_LastUpdate = now;

    if (Total == 0) {
        m_BarPosition = 0;
    } else {
        // Past 100 (Done beyond Total) the bar stays full; the clamp also keeps the
        // conversion to int defined.
        const double percent =
            RoundHalfEven(static_cast<double>(m_Done) / static_cast<double>(Total) * 100.0);
        m_BarPosition = percent >= 100.0 ? 100 : static_cast<int>(percent);
    }

    if (m_TimeLeftEnabled) {
        if (!m_ClockRunning) {
            m_ClockRunning = true;
            m_ClockStart = now;
        } else if (const uint32_t sinceStart = now - m_ClockStart; sinceStart > TimeLeftPeriodMs) {
            m_ElapsedSeconds +=
                static_cast<uint32_t>(RoundHalfEven(static_cast<double>(sinceStart) / 1000.0));
            m_ClockStart = now;
            WriteTimeLeft();
        }
    }
    Refresh();
}

bool TStatusDialog::UpdateDue() {
    if (m_UpdatePending) {
        m_UpdatePending = false;
        return true;
    }
    const uint32_t now = platform::GetTickCount();
    if (!IntervalOver(now)) {
        return false;
    }
    m_UpdatePending = false;
    m_HasLastUpdate = true;
    m_LastUpdate = now;
    return true;
}

void TStatusDialog::ShowTimeLeft() {
    WriteTimeLeft();
    Refresh();
}

void TStatusDialog::WriteTimeLeft() {
    if (m_Done == 0) {
        return;
    }
    const double elapsed = m_ElapsedSeconds;
    const double estimate =
        RoundHalfEven(static_cast<double>(Total) / static_cast<double>(m_Done) * elapsed);
    // Done beyond Total makes the estimate smaller than the time spent: nothing is left.
    // A huge estimate saturates rather than overflowing the integer.
    constexpr double MaxRemaining = static_cast<double>(std::numeric_limits<uint32_t>::max());
    const double remaining = estimate <= elapsed ? 0.0 : std::min(estimate - elapsed, MaxRemaining);
    const auto seconds = static_cast<uint64_t>(remaining);
    if (seconds <= MaxSecondsShown) {
        m_TimeLeftLine = "Time left: " + std::to_string(seconds) + " second(s)";
    } else {
        const auto minutes = static_cast<uint64_t>(RoundHalfEven(remaining / 60.0));
        m_TimeLeftLine = "Time left: " + std::to_string(minutes) + " minute(s)";
    }
}

void TStatusDialog::ResetTimer() {
    m_ClockRunning = false;
}

void TStatusDialog::Show() {
    if (m_Visible) {
        return; // already on screen: no FormShow, so Cancelled stays as it is
    }
    m_Visible = true;
    Cancelled = false;
    if (m_View != nullptr) {
        m_View->SetVisible(true);
    }
}

void TStatusDialog::Hide() {
    m_Visible = false;
    if (m_View != nullptr) {
        m_View->SetVisible(false);
    }
}

void TStatusDialog::PumpMessages() {
    if (m_View != nullptr) {
        m_View->Pump();
    }
}

void TStatusDialog::CancelBtnClick() {
    Cancelled = true;
}

const std::string& TStatusDialog::Line(int index) const {
    static const std::string none;
    return index >= 1 && index <= 4 ? m_Lines[static_cast<size_t>(index - 1)] : none;
}

void TStatusDialog::Refresh() {
    if (m_View != nullptr) {
        m_View->Refresh(*this);
    }
}

} // namespace tw::diskio
