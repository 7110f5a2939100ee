#pragma once

#include "diskio/log.h"

#include <QWidget>

class QListWidget;

namespace tw::ui {

/// The diagnostic log window: an always-on-top tool window at a corner of the screen. It
/// collects every line, also while it is hidden.
class TDebugBoxWindow final : public QWidget, public diskio::TLogSink {
public:
    TDebugBoxWindow();
    void Add(const std::string& text) override;
    /// Shows or hides the window; showing applies the size and the corner.
    void SetVisible(bool visible);
    [[nodiscard]] const diskio::TDebugBoxState& State() const { return m_State; }
    diskio::TDebugBoxState& State() { return m_State; }

private:
    void Place();
    diskio::TDebugBoxState m_State;
    QListWidget* m_List;
};

} // namespace tw::ui
