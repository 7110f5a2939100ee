#pragma once

#include <QDialog>

class QLineEdit;

namespace tw::devices {
class TDevice;
}

namespace tw::app {

/// The geometry of the device that holds the open drive, read afresh from the geometry
/// query each time (a failed query shows zeros).
class TDriveInfoDialog final : public QDialog {
public:
    explicit TDriveInfoDialog(QWidget* parent = nullptr);
    /// Fills the fields for the device and shows the dialog modally.
    bool Execute(const devices::TDevice& device);
    /// Fills the fields without showing the dialog.
    void Fill(const devices::TDevice& device);

    QLineEdit* EditName = nullptr;
    QLineEdit* EditCyl = nullptr;
    QLineEdit* EditHeads = nullptr;
    QLineEdit* EditSecPerTrk = nullptr;
    QLineEdit* EditSectors = nullptr;
    QLineEdit* EditBytesPerSec = nullptr;
};

} // namespace tw::app
