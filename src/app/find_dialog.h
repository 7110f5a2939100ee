#pragma once

#include "fat/name_search.h"

#include <QDialog>

class QEventLoop;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tw::app {

/// "搜索": takes the name pattern and shows the folder being scanned and the hits while the
/// name search runs. Created once and shown non-modally by each search.
class TFindDialogWindow final : public QDialog, public fat::TFindDialog {
    Q_OBJECT
public:
    explicit TFindDialogWindow(QWidget* parent = nullptr);

    QLineEdit* EditName;
    QLabel* LabelScanning;
    QLabel* LabelHits;
    QListWidget* ListBoxFound;
    QPushButton* ButtonStart;
    QPushButton* ButtonCancel;

    /// Shows the dialog with the previous search's text and waits, processing events, until
    /// Start or Stop. The close box, Escape and the application quitting count as Stop, which
    /// also hides the dialog. Returns Started.
    bool Execute() override;
    void SetScanning(const std::string& path) override;
    /// Appends a line; the newest five lines stay in view and LabelHits shows the count.
    void AddHit(const std::string& name) override;
    void PumpMessages() override;
    void Hide() override;

    /// Esc: Stop.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ButtonStartClick();
    void ButtonCancelClick();

    /// The wait of Execute while it runs.
    QEventLoop* m_Wait = nullptr;
};

} // namespace tw::app
