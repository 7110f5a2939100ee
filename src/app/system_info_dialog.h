#pragma once

#include "diskio/system_info.h"
#include "platform/system_facts.h"

#include <QDialog>

class QKeyEvent;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace tw::app {

/// "System Information": the machine's processor, screen, memory, system version, drives
/// and environment on four pages. The lists are filled once, when the dialog is made; every
/// later showing presents the same values, so the drive sizes are those of that moment.
/// The environment is shown on screen only and never copied anywhere else.
class TDialogSystemInfo final : public QDialog {
public:
    /// Reads the facts of this machine and the primary screen.
    explicit TDialogSystemInfo(QWidget* parent = nullptr);
    /// Shows the given facts with the primary screen's.
    explicit TDialogSystemInfo(const platform::TSystemFacts& facts, QWidget* parent = nullptr);

    /// Shows the dialog modally; true when it closed with OK.
    bool Execute();

    QTabWidget* PageControl1 = nullptr;
    /// Hardware, Software, Drives and Environment.
    QTreeWidget* ListView1 = nullptr;
    QTreeWidget* ListView2 = nullptr;
    QTreeWidget* ListView3 = nullptr;
    QTreeWidget* ListView4 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Build();
    void Fill(const platform::TSystemFacts& facts);
};

} // namespace tw::app
