#include "app/preview_drv_dialog.h"

#include "devices/view_model.h"
#include "diskio/shared_helpers.h"
#include "fat/fat_drive.h"
#include "fat/session.h"
#include "platform/text_codec.h"
#include "ui/images.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string>

namespace tw::app {

namespace {

/// A root list item ordered by its name as people compare text: letter case only decides
/// between names that are otherwise equal, whatever the process locale.
class TNameOrderedItem final : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int order = QString::compare(text(0), other.text(0), Qt::CaseInsensitive);
        return order != 0 ? order < 0 : QString::localeAwareCompare(text(0), other.text(0)) < 0;
    }
};

/// Up to length bytes of the boot record, ending early at a zero byte (a wiped label).
QString BootText(const fat::TFATdrive& drive, size_t offset, size_t length) {
    std::string bytes;
    for (size_t i = offset; i < offset + length && drive.BootRecord[i] != std::byte{0}; ++i) {
        bytes += static_cast<char>(drive.BootRecord[i]);
    }
    return QString::fromStdString(platform::DecodeOemText(bytes));
}

} // namespace

TPreviewDrvDialog::TPreviewDrvDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("PreviewDrvDialog");
    setWindowTitle("Preview logical drive");
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* fields = new QFormLayout;
    const auto addField = [&](const char* label, const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        fields->addRow(label, edit);
        return edit;
    };
    m_PhysSec = addField("Physical sector:", "EditPhysSec");
    m_TotalSec = addField("Total sectors:", "EditTotalSec");
    m_SecPerClus = addField("Sectors per cluster:", "EditSecPerClus");
    m_FAT = addField("FAT type detected:", "EditFAT");
    m_OEM = addField("OEM name:", "EditOEM");
    m_VolLabel = addField("Volume label:", "EditVolLabel");

    m_Root = new QTreeWidget(this);
    m_Root->setObjectName("ListView1");
    m_Root->setRootIsDecorated(false);
    m_Root->setHeaderLabels({"Name", "Size", "Date modified"});
    m_Root->setColumnWidth(0, 100);
    m_Root->setColumnWidth(2, 100);
    m_Root->setSortingEnabled(true);
    m_Root->sortByColumn(0, Qt::AscendingOrder);
    m_Root->header()->setSectionsClickable(false);

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(new QLabel("Root directory (unsorted):", this));
    layout->addWidget(m_Root, 1);
    layout->addLayout(buttons);
}

bool TPreviewDrvDialog::Fill() {
    auto* drive = dynamic_cast<fat::TFATdrive*>(Drive);
    if (!drive) {
        return false;
    }
    m_PhysSec->setText(QString::number(drive->VolumeStart));
    m_TotalSec->setText(QString::number(drive->TotalSectors));
    m_SecPerClus->setText(QString::number(drive->SectorsPerCluster()));
    m_FAT->setText(QString::fromStdString(fat::FatTypeText(drive->FATType)));
    m_OEM->setText(BootText(*drive, fat::Boot::OemName, 8));
    m_VolLabel->setText(BootText(
        *drive, drive->FATType == fat::Fat32 ? fat::Boot::VolumeLabel32 : fat::Boot::VolumeLabel16,
        11));

    m_Root->clear();
    fat::TDirPosition position = fat::TDirPosition::Start(drive->RootCluster, drive->RootDirSector);
    fat::TEntryName name;
    fat::TEntryBytes entry{};
    QList<QTreeWidgetItem*> items;
    while (drive->NextEntry(position, false, name, entry)) {
        const uint8_t attributes = fat::AttributesOf(entry);
        const std::string shortName = fat::ShortNameText(entry);
        if ((attributes & fat::Attribute::VolumeLabel) != 0 || shortName == "." ||
            shortName == "..") {
            continue;
        }
        const bool folder = (attributes & fat::Attribute::Directory) != 0;
        auto* item = new TNameOrderedItem;
        item->setText(0, QString::fromStdString(name.Text));
        item->setIcon(
            0, ui::FolderImage(folder ? devices::ImageIndex::Folder : devices::ImageIndex::File));
        if (!folder) {
            item->setText(1, QString::number(fat::LoadLE32(entry, fat::Entry::FileSize)));
        }
        item->setText(2, QString::fromStdString(diskio::FATDateTimeToText(
                             fat::LoadLE16(entry, fat::Entry::WriteTime),
                             fat::LoadLE16(entry, fat::Entry::WriteDate))));
        items.append(item);
    }
    m_Root->addTopLevelItems(items);
    return true;
}

void TPreviewDrvDialog::Execute() {
    if (Fill()) {
        exec();
    }
}

} // namespace tw::app
