#pragma once

#include "diskio/status_dialog.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tw::ui {

/// The progress dialog: a window that shows the progress model and never blocks the window
/// behind it. Cancel and Escape set Cancelled; the running operation hides the window.
class TStatusDialogWindow final : public QDialog, public diskio::TStatusView {
public:
    explicit TStatusDialogWindow(QWidget* parent = nullptr);

    /// The model every long operation drives.
    diskio::TStatusDialog& Model() { return m_Model; }

    void SetVisible(bool visible) override;
    void Refresh(const diskio::TStatusDialog& dialog) override;
    void Pump() override;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    diskio::TStatusDialog m_Model;
    QLabel* m_Lines[4];
    QLabel* m_TimeLeft;
    QProgressBar* m_Bar;
    QPushButton* m_Cancel;
};

} // namespace tw::ui
