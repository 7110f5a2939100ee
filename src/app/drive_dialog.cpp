#include "app/drive_dialog.h"

#include "app/preview_drv_dialog.h"
#include "app/vendor_contact.h"
#include "devices/device.h"
#include "fat/fat_drive.h"
#include "fat/session.h"
#include "platform/device_table.h"
#include "platform/prompter.h"
#include "ui/drive_images.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace tw::app {

namespace {

/// The list item's role that holds the index of its drive or device.
constexpr int IndexRole = Qt::UserRole;

QListWidget* MakeList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setMinimumWidth(250);
    return list;
}

QString NoDevicesText() {
    QString text = "No disk could be read. Run Tarnwell with permission to read disks (for "
                   "example as root or as a member of the \"disk\" group), or open an image "
                   "file with \"" +
                   QString::fromUtf8("打开镜像文件...") + "\".";
    const auto& unreadable = platform::DeviceTable().Unreadable();
    if (!unreadable.empty()) {
        QStringList paths;
        for (const std::string& path : unreadable) {
            paths << QString::fromStdString(path);
        }
        text += " Not readable: " + paths.join(", ") + ".";
    }
    return text;
}

} // namespace

TDriveDlg::TDriveDlg(fat::TRecoverySession& session, std::function<bool()> rescan,
                     std::function<void(devices::TDevice&)> findLostDrives, QWidget* parent)
    : QDialog(parent), m_Session(session), m_Rescan(std::move(rescan)),
      m_FindLostDrives(std::move(findLostDrives)) {
    setObjectName("DriveDlg");
    setWindowTitle(QString::fromUtf8("选择磁盘"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_Pages = new QTabWidget(this);
    m_Pages->setObjectName("PageControl1");
    m_LogicalList = MakeList(m_Pages, "ListView1");
    m_PhysicalList = MakeList(m_Pages, "ListView2");
    m_Pages->addTab(m_LogicalList, QString::fromUtf8("逻辑磁盘"));
    m_Pages->addTab(m_PhysicalList, QString::fromUtf8("物理磁盘"));
    m_Pages->setCurrentIndex(LogicalPage);

    m_OK = new QPushButton(QString::fromUtf8("确定"), this);
    m_OK->setObjectName("ButtonOK");
    m_OK->setDefault(true);
    m_OK->setEnabled(false);
    auto* cancel = new QPushButton(QString::fromUtf8("取消"), this);
    cancel->setObjectName("Button2");
    cancel->setAutoDefault(false);
    m_Preview = new QPushButton(QString::fromUtf8("预览"), this);
    m_Preview->setObjectName("ButtonPreview");
    m_Preview->setAutoDefault(false);
    m_Preview->setEnabled(false);
    m_Preview->setVisible(false);
    m_Find = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                             QString::fromUtf8("搜索逻辑分区"), this);
    m_Find->setObjectName("ButtonFind");
    m_Find->setAutoDefault(false);
    m_Find->setEnabled(false);
    auto* rescanButton = new QPushButton(QString::fromUtf8("刷新列表"), this);
    rescanButton->setObjectName("Button3");
    rescanButton->setAutoDefault(false);
    auto* openImage = new QPushButton(QString::fromUtf8("打开镜像文件..."), this);
    openImage->setObjectName("ButtonOpenImage");
    openImage->setAutoDefault(false);

    m_FATLabel = new QLabel(QString::fromUtf8("使用FAT:"), this);
    m_FATLabel->setObjectName("LabelFAT");
    m_FATCombo = new QComboBox(this);
    m_FATCombo->setObjectName("ComboBoxFAT");
    m_FATLabel->setBuddy(m_FATCombo);
    m_SkipBad = new QCheckBox(QString::fromUtf8("跳过坏扇区"), this);
    m_SkipBad->setObjectName("CheckBoxSkipBadClus");
    m_SkipBad->setLayoutDirection(Qt::RightToLeft); // caption on the left
    m_SkipBad->setChecked(true);

    m_Contact = new QLabel(QString::fromUtf8("如果无法识别您的分区，请与我们联系：") +
                               QString::fromUtf8(" 网站 ") + VendorWebAddress +
                               QString::fromUtf8("  在线客服 ") + VendorChatNumber +
                               QString::fromUtf8("  电话 ") + VendorPhone,
                           this);
    m_Contact->setObjectName("Label1");
    m_Contact->setWordWrap(true);
    m_Contact->setStyleSheet("QLabel { color: green; font-weight: bold; }");
    m_Contact->setCursor(Qt::PointingHandCursor);
    m_Contact->installEventFilter(this);

    m_NoDevices = new QLabel(this);
    m_NoDevices->setObjectName("LabelNoDevices");
    m_NoDevices->setWordWrap(true);
    m_NoDevices->setVisible(false);

    m_PreviewDialog = new TPreviewDrvDialog(this);

    auto* fatLine = new QHBoxLayout;
    fatLine->addWidget(m_FATLabel);
    fatLine->addWidget(m_FATCombo, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_OK);
    buttons->addWidget(cancel);
    buttons->addWidget(m_Preview);
    buttons->addSpacing(12);
    buttons->addWidget(m_Find);
    buttons->addWidget(rescanButton);
    buttons->addWidget(openImage);
    buttons->addStretch();
    buttons->addLayout(fatLine);
    buttons->addWidget(m_SkipBad);
    auto* top = new QHBoxLayout;
    top->addWidget(m_Pages, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_NoDevices);
    layout->addWidget(m_Contact);

    connect(m_OK, &QPushButton::clicked, this, &TDriveDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &TDriveDlg::reject);
    connect(m_Preview, &QPushButton::clicked, this, &TDriveDlg::PreviewClicked);
    connect(m_Find, &QPushButton::clicked, this, &TDriveDlg::FindClicked);
    connect(rescanButton, &QPushButton::clicked, this, &TDriveDlg::RescanClicked);
    connect(openImage, &QPushButton::clicked, this, &TDriveDlg::OpenImageClicked);
    connect(m_Pages, &QTabWidget::currentChanged, this, [this] { UpdateControls(); });
    connect(m_LogicalList, &QListWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
    connect(m_PhysicalList, &QListWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
    connect(m_LogicalList, &QListWidget::itemDoubleClicked, this, [this] {
        UpdateControls();
        if (SelectedDrive()) {
            accept();
        }
    });
    connect(m_FATCombo, &QComboBox::currentIndexChanged, this, &TDriveDlg::FATChoiceChanged);
}

bool TDriveDlg::Execute() {
    if (exec() != QDialog::Accepted) {
        return false;
    }
    DriveIndex = SelectedDriveIndex();
    FATIndex = m_FATCombo->currentIndex();
    SkipBad = m_SkipBad->isChecked();
    return true;
}

void TDriveDlg::accept() {
    if (SelectedDrive()) {
        QDialog::accept();
    }
}

void TDriveDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FillLists();
}

bool TDriveDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Contact && event->type() == QEvent::MouseButtonRelease) {
        QDesktopServices::openUrl(QUrl(VendorChatLink));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TDriveDlg::FillLists() {
    m_OK->setEnabled(false);
    m_Preview->setEnabled(false);
    m_Find->setEnabled(false);
    {
        const QSignalBlocker logicalBlocker(m_LogicalList);
        const QSignalBlocker physicalBlocker(m_PhysicalList);
        m_LogicalList->clear();
        m_PhysicalList->clear();
        const devices::TDeviceList& deviceList = m_Session.DeviceList;
        // Devices reached through a drive letter are volumes, not disks to search.
        for (int i = 0; i < deviceList.Count(); ++i) {
            const devices::TDevice& device = *deviceList.Items(i);
            if (device.AccessKind != devices::TAccessKind::akBIOS) {
                continue;
            }
            auto* item =
                new QListWidgetItem(ui::DriveImage(device.DriveType == 1 || device.DriveType == 2
                                                       ? ui::DriveImageIndex::Removable
                                                       : ui::DriveImageIndex::Fixed),
                                    QString::fromStdString(device.Name));
            item->setData(IndexRole, i);
            m_PhysicalList->addItem(item);
        }
        const devices::TDriveList& driveList = m_Session.DriveList;
        for (int i = 0; i < driveList.Count(); ++i) {
            const devices::TDevice* device = driveList.Items(i)->Device;
            auto* item = new QListWidgetItem(
                ui::DriveImage(ui::DriveTypeImage(device ? device->DriveType : uint8_t{0})),
                QString::fromStdString(m_Session.DriveText(i)));
            item->setData(IndexRole, i);
            m_LogicalList->addItem(item);
        }
    }
    const bool noDevices = m_Session.DeviceList.Count() == 0;
    if (noDevices) {
        m_NoDevices->setText(NoDevicesText());
    }
    m_NoDevices->setVisible(noDevices);
    UpdateControls();
}

void TDriveDlg::UpdateControls() {
    const bool logicalPage = m_Pages->currentIndex() == LogicalPage;
    if (logicalPage && SelectedDrive()) {
        m_FATLabel->setEnabled(true);
        m_FATCombo->setEnabled(true);
        m_SkipBad->setEnabled(true);
        m_Find->setEnabled(true);
        m_OK->setEnabled(true);
        m_Preview->setEnabled(true);
        FillFATChoices();
        return;
    }
    m_FATLabel->setEnabled(false);
    ClearFATChoices();
    m_FATCombo->setEnabled(false);
    m_SkipBad->setEnabled(false);
    m_Preview->setEnabled(false);
    if (logicalPage) {
        m_Find->setEnabled(false);
        m_OK->setEnabled(false);
    } else if (SelectedDevice()) {
        // OK stays as it was: a drive still selected on the logical page can be confirmed.
        m_Find->setEnabled(true);
    } else {
        m_Find->setEnabled(false);
        m_OK->setEnabled(false);
    }
}

void TDriveDlg::FillFATChoices() {
    ClearFATChoices();
    auto* drive = dynamic_cast<fat::TFATdrive*>(SelectedDrive());
    if (!drive) {
        m_FATCombo->setEnabled(false);
        return;
    }
    const QSignalBlocker blocker(m_FATCombo);
    m_FATCombo->addItem("no");
    for (int copy = 1; copy <= drive->NumberOfFATs(); ++copy) {
        m_FATCombo->addItem(QString::number(copy));
    }
    // A FATInUse past the copies shows no choice at all.
    m_FATCombo->setCurrentIndex(drive->FATInUse < m_FATCombo->count() ? drive->FATInUse : -1);
    m_FATCombo->setEnabled(true);
}

void TDriveDlg::SetActivePage(int page) {
    m_Pages->setCurrentIndex(page);
}

bool TDriveDlg::OpenImage(const QString& path) {
    std::string error;
    const bool attached = m_Session.AttachImage(path.toStdString(), error);
    if (!attached) {
        platform::Prompter().Ask(platform::TPrompt{QString::fromUtf8("打开镜像文件").toStdString(),
                                                   error, platform::TPromptIcon::piError,
                                                   platform::TPromptButtons::pbOK});
    }
    FillLists();
    return attached;
}

devices::TCustomDrive* TDriveDlg::SelectedDrive() const {
    const int index = SelectedDriveIndex();
    return index >= 0 && index < m_Session.DriveList.Count() ? m_Session.DriveList.Items(index)
                                                             : nullptr;
}

int TDriveDlg::SelectedDriveIndex() const {
    const QList<QListWidgetItem*> selected = m_LogicalList->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->data(IndexRole).toInt();
}

devices::TDevice* TDriveDlg::SelectedDevice() const {
    const QList<QListWidgetItem*> selected = m_PhysicalList->selectedItems();
    if (selected.isEmpty()) {
        return nullptr;
    }
    const int index = selected.front()->data(IndexRole).toInt();
    return index >= 0 && index < m_Session.DeviceList.Count() ? m_Session.DeviceList.Items(index)
                                                              : nullptr;
}

void TDriveDlg::ClearFATChoices() {
    const QSignalBlocker blocker(m_FATCombo);
    m_FATCombo->clear();
}

void TDriveDlg::FATChoiceChanged(int index) {
    auto* drive = dynamic_cast<fat::TFATdrive*>(SelectedDrive());
    if (drive && index >= 0) {
        drive->FATInUse = static_cast<uint8_t>(index);
    }
}

void TDriveDlg::FindClicked() {
    devices::TDevice* device = nullptr;
    if (m_Pages->currentIndex() == LogicalPage) {
        const devices::TCustomDrive* drive = SelectedDrive();
        device = drive ? drive->Device : nullptr;
    } else {
        device = SelectedDevice();
    }
    if (!device || !m_FindLostDrives) {
        return;
    }
    const int drivesBefore = m_Session.DriveList.Count();
    m_FindLostDrives(*device);
    // Lost drives appear in the logical list; a search that added none (or a range dialog
    // that was cancelled) leaves the user where they were.
    if (m_Session.DriveList.Count() > drivesBefore) {
        SetActivePage(LogicalPage);
    }
    FillLists();
}

void TDriveDlg::RescanClicked() {
    const platform::TPromptAnswer answer = platform::Prompter().Ask(platform::TPrompt{
        "Rescan for drives",
        "This will  also clear all 'lost drives' that have been found from the list!\r\nAre "
        "you sure to proceed? ",
        platform::TPromptIcon::piInformation, platform::TPromptButtons::pbYesNo});
    if (answer != platform::TPromptAnswer::paYes) {
        return;
    }
    if (m_Rescan) {
        m_Rescan();
    }
    FillLists();
}

void TDriveDlg::OpenImageClicked() {
    const QString path = QFileDialog::getOpenFileName(
        this, QString::fromUtf8("打开镜像文件"), QString(),
        "Disk images (*.img *.ima *.vfd *.bin *.raw *.dd *.iso);;All files (*)");
    if (!path.isEmpty()) {
        OpenImage(path);
    }
}

void TDriveDlg::PreviewClicked() {
    m_PreviewDialog->Drive = SelectedDrive();
    m_PreviewDialog->Execute();
}

} // namespace tw::app
