#include "app/drive_info_dialog.h"

#include "devices/device.h"
#include "diskio/logical_disk_io.h"
#include "diskio/physical_disk_io.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tw::app {

TDriveInfoDialog::TDriveInfoDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Drive Info");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    auto field = [&](const char* label, QLineEdit*& edit) {
        edit = new QLineEdit(this);
        edit->setReadOnly(true);
        form->addRow(label, edit);
    };
    field("Drive:", EditName);
    field("Physical cylinders:", EditCyl);
    field("Physical heads:", EditHeads);
    field("Physical sectors per track:", EditSecPerTrk);
    field("Physical sectors:", EditSectors);
    field("Bytes in a sector:", EditBytesPerSec);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void TDriveInfoDialog::Fill(const devices::TDevice& device) {
    EditName->setText(QString::fromStdString(device.Name));
    diskio::TDiskGeometry geometry;
    if (device.AccessKind == devices::TAccessKind::akBIOS) {
        (void)diskio::GetPhysicalGeometry(device.DriveNumber, geometry);
    } else {
        (void)diskio::GetLogicalGeometry(device.DriveNumber, geometry);
    }
    EditCyl->setText(QString::number(geometry.Cylinders));
    EditHeads->setText(QString::number(geometry.Heads));
    EditSecPerTrk->setText(QString::number(geometry.SectorsPerTrack));
    EditSectors->setText(QString::number(geometry.TotalSectors));
    EditBytesPerSec->setText(QString::number(geometry.BytesPerSector));
}

bool TDriveInfoDialog::Execute(const devices::TDevice& device) {
    Fill(device);
    return exec() == QDialog::Accepted;
}

} // namespace tw::app
