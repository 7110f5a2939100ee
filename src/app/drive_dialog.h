#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace tw::devices {
class TDevice;
class TCustomDrive;
} // namespace tw::devices

namespace tw::fat {
class TRecoverySession;
}

namespace tw::app {

class TPreviewDrvDialog;

/// "选择磁盘": the user picks a drive of the session's drive list, the FAT copy its files are
/// read through and whether bad sectors are skipped; from here the user also searches a disk
/// for lost partitions, rescans the devices and attaches image files. Created once and
/// reused; the active page and the check box survive between showings, the list selections
/// do not. The controls carry the object names PageControl1, ListView1 (logical drives),
/// ListView2 (physical disks), ButtonOK, Button2 (Cancel), ButtonPreview, ButtonFind, Button3
/// (rescan), ButtonOpenImage, LabelFAT, ComboBoxFAT, CheckBoxSkipBadClus, Label1 (contact) and
/// LabelNoDevices.
class TDriveDlg final : public QDialog {
    Q_OBJECT
public:
    /// rescan runs the main window's device and drive scan (it answers false when the user
    /// cancelled); findLostDrives asks for a sector range of the device and searches it. After
    /// either the lists are refilled; a search that added drives brings the logical page up.
    TDriveDlg(fat::TRecoverySession& session, std::function<bool()> rescan,
              std::function<void(devices::TDevice&)> findLostDrives, QWidget* parent = nullptr);

    /// Index in the drive list of the drive chosen at the last confirmation.
    int DriveIndex = 0;
    /// Item of the FAT combo box at the last confirmation: 0 "no", k FAT copy k; −1 when the
    /// box showed no choice, which keeps the drive's FATInUse.
    int FATIndex = -1;
    /// The skip-bad-sectors check box at the last confirmation.
    bool SkipBad = true;

    /// Shows the dialog modally; false when it was cancelled (Cancel, Escape, close box).
    bool Execute();
    /// Enables the controls from the active page and the selections.
    void UpdateControls();
    /// Fills the FAT combo box for the selected logical drive and selects its FATInUse.
    void FillFATChoices();
    /// Empties and refills both lists from the session (no selection survives), as every
    /// showing, search, rescan and opened image does.
    void FillLists();
    /// Makes the logical (0) or the physical (1) page the active one.
    void SetActivePage(int page);
    /// Attaches an image file and lists its devices and drives; a failure is reported in a
    /// message box. False when nothing was attached.
    bool OpenImage(const QString& path);

    static constexpr int LogicalPage = 0;
    static constexpr int PhysicalPage = 1;

protected:
    void showEvent(QShowEvent* event) override;
    /// Closes as confirmed only while a logical drive is selected.
    void accept() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] devices::TCustomDrive* SelectedDrive() const;
    [[nodiscard]] int SelectedDriveIndex() const;
    [[nodiscard]] devices::TDevice* SelectedDevice() const;
    void FATChoiceChanged(int index);
    void FindClicked();
    void RescanClicked();
    void OpenImageClicked();
    void PreviewClicked();
    void ClearFATChoices();

    fat::TRecoverySession& m_Session;
    std::function<bool()> m_Rescan;
    std::function<void(devices::TDevice&)> m_FindLostDrives;

    QTabWidget* m_Pages;
    QListWidget* m_LogicalList;
    QListWidget* m_PhysicalList;
    QPushButton* m_OK;
    QPushButton* m_Preview;
    QPushButton* m_Find;
    QLabel* m_FATLabel;
    QComboBox* m_FATCombo;
    QCheckBox* m_SkipBad;
    QLabel* m_Contact;
    QLabel* m_NoDevices;
    TPreviewDrvDialog* m_PreviewDialog;
};

} // namespace tw::app
