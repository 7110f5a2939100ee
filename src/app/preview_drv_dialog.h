#pragma once

#include <QDialog>

class QLineEdit;
class QTreeWidget;

namespace tw::devices {
class TCustomDrive;
}

namespace tw::app {

/// "Preview logical drive": key boot sector values of a FAT drive and the live entries of its
/// root folder. The edits are EditPhysSec, EditTotalSec, EditSecPerClus, EditFAT, EditOEM and
/// EditVolLabel, the root list ListView1.
class TPreviewDrvDialog final : public QDialog {
    Q_OBJECT
public:
    explicit TPreviewDrvDialog(QWidget* parent = nullptr);

    /// The drive to show; set by the caller.
    devices::TCustomDrive* Drive = nullptr;

    /// Fills the fields and the root list and shows the dialog modally; shows nothing when
    /// Drive is not a FAT drive.
    void Execute();
    /// Fills the fields and the root list without showing them. False, with nothing filled,
    /// when Drive is not a FAT drive.
    bool Fill();

private:
    QLineEdit* m_PhysSec;
    QLineEdit* m_TotalSec;
    QLineEdit* m_SecPerClus;
    QLineEdit* m_FAT;
    QLineEdit* m_OEM;
    QLineEdit* m_VolLabel;
    QTreeWidget* m_Root;
};

} // namespace tw::app
