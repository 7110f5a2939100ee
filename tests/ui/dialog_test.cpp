#include "app/drive_dialog.h"
#include "app/fat_select_dialog.h"
#include "app/preview_drv_dialog.h"
#include "devices/device.h"
#include "diskio/status_dialog.h"
#include "fat/fat_drive.h"
#include "fat/session.h"
#include "support/image_tools.h"
#include "support/scripted_prompter.h"
#include "ui/range_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace tw;
using app::TDriveDlg;
using test::Quote;

namespace {

const std::string Mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";

/// Runs action once the modal dialog that the next statement opens is showing; a dialog
/// that action left open (a failed check returns early) is cancelled, so no test hangs.
void WhenShown(QDialog& dialog, std::function<void()> action) {
    QTimer::singleShot(0, &dialog, [&dialog, action = std::move(action)] {
        action();
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
}

template <typename T> T* Child(QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    if (!child) {
        qFatal("no child %s", name);
    }
    return child;
}

QStringList Texts(QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

QStringList Texts(QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) {
        texts << combo->itemText(i);
    }
    return texts;
}

/// Images made once: a 32 MiB disk with a FAT16 partition "DATA" (two FATs, a few root
/// entries) and a FAT12 partition with one FAT whose label was wiped; a 1.44 MB floppy
/// "FLOPPY"; a FAT32 volume "BIGVOL" without a partition table.
struct TImages {
    test::TTempDir Dir;
    std::string Disk = Dir.File("disk.img");
    std::string Floppy = Dir.File("floppy.img");
    std::string Fat32 = Dir.File("fat32.img");

    bool Make() {
        const std::string data = Quote(Disk + "@@" + std::to_string(2048 * 512));
        return test::MakePartitionedImage(Disk, 32,
                                          "start=2048, size=16384, type=6\n"
                                          "start=18432, size=16384, type=1\n") &&
               test::Run("mkfs.fat -F 16 -s 1 -f 2 -n DATA --offset 2048 " + Quote(Disk) +
                         " 8192 >/dev/null 2>&1") &&
               test::Run("mkfs.fat -F 12 -f 1 --offset 18432 " + Quote(Disk) +
                         " 8192 >/dev/null 2>&1") &&
               // An all-zero label makes a drive without a name.
               test::Run("dd if=/dev/zero of=" + Quote(Disk) + " bs=1 seek=" +
                         std::to_string(18432 * 512 + 43) + " count=11 conv=notrunc status=none") &&
               test::Run("printf 'hello' > " + Quote(Dir.File("hello.txt"))) &&
               test::Run(Mtools + "mcopy -i " + data + " " + Quote(Dir.File("hello.txt")) +
                         " ::HELLO.TXT") &&
               test::Run(Mtools + "mcopy -i " + data + " " + Quote(Dir.File("hello.txt")) +
                         " '::a long name.txt'") &&
               test::Run(Mtools + "mcopy -i " + data + " " + Quote(Dir.File("hello.txt")) +
                         " ::GONE.TXT") &&
               test::Run(Mtools + "mdel -i " + data + " ::GONE.TXT") &&
               test::Run(Mtools + "mmd -i " + data + " ::DOCS") &&
               test::MakeFloppyImage(Floppy, "FLOPPY") &&
               test::Run("mkfs.fat -C -F 32 -n BIGVOL " + Quote(Fat32) + " 40000 >/dev/null 2>&1");
    }
};

TImages* g_Images = nullptr;

/// A device table with the given images attached and a session that has scanned them.
struct TWorld {
    test::TDeviceTableScope Scope;
    fat::TRecoverySession Session;

    explicit TWorld(const std::vector<std::string>& images) {
        for (const std::string& image : images) {
            Scope.AttachFile(image);
        }
        Detect();
    }
    void Detect() {
        diskio::TStatusDialog status;
        Session.DetectAll(status);
    }
    fat::TFATdrive& Drive(int index) {
        return static_cast<fat::TFATdrive&>(*Session.DriveList.Items(index));
    }
};

/// A drive dialog over a world, its controls found by their names.
struct TDriveDialog {
    TDriveDlg* Dialog = nullptr;
    int Rescans = 0;
    std::vector<devices::TDevice*> Searched;
    std::function<void(devices::TDevice&)> OnFind;
    std::unique_ptr<TDriveDlg> Owner;

    QListWidget* Logical;
    QListWidget* Physical;
    QTabWidget* Pages;
    QPushButton* OK;
    QPushButton* Cancel;
    QPushButton* Find;
    QPushButton* Preview;
    QComboBox* FAT;
    QLabel* FATLabel;
    QCheckBox* SkipBad;
    QLabel* NoDevices;

    explicit TDriveDialog(TWorld& world) {
        Owner = std::make_unique<TDriveDlg>(
            world.Session,
            [this, &world] {
                ++Rescans;
                world.Detect();
                return true;
            },
            [this](devices::TDevice& device) {
                Searched.push_back(&device);
                if (OnFind) {
                    OnFind(device);
                }
            });
        Dialog = Owner.get();
        Logical = Child<QListWidget>(Dialog, "ListView1");
        Physical = Child<QListWidget>(Dialog, "ListView2");
        Pages = Child<QTabWidget>(Dialog, "PageControl1");
        OK = Child<QPushButton>(Dialog, "ButtonOK");
        Cancel = Child<QPushButton>(Dialog, "Button2");
        Find = Child<QPushButton>(Dialog, "ButtonFind");
        Preview = Child<QPushButton>(Dialog, "ButtonPreview");
        FAT = Child<QComboBox>(Dialog, "ComboBoxFAT");
        FATLabel = Child<QLabel>(Dialog, "LabelFAT");
        SkipBad = Child<QCheckBox>(Dialog, "CheckBoxSkipBadClus");
        NoDevices = Child<QLabel>(Dialog, "LabelNoDevices");
        Dialog->FillLists();
    }
    void SelectLogical(int row) { Logical->setCurrentRow(row); }
    void SelectPhysical(int row) { Physical->setCurrentRow(row); }
    void DoubleClickLogical(int row) {
        DoubleClick(Logical->visualItemRect(Logical->item(row)).center());
    }
    /// The events of a real double-click: press, release, press, double-click, release.
    void DoubleClick(QPoint at) {
        QWidget* viewport = Logical->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mousePress(viewport, Qt::LeftButton, {}, at);
        QMouseEvent event(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &event);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    }
};

} // namespace

class TDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void ListsShowEveryDriveAndOnlyBiosDisks();
    void ControlsFollowPageAndSelection();
    void FatChoicesShowCopiesAndWriteFatInUseAtOnce();
    void DoubleClickOnADriveConfirms();
    void PhysicalSelectionKeepsTheLogicalDriveConfirmable();
    void FindSearchesTheChosenDeviceAndShowsLostDrives();
    void RescanAsksFirst();
    void EmptyDeviceListShowsHowToGetADevice();
    void OpeningAnImageAddsItsDrivesAndKeepsTheOthers();
    void PreviewShowsBootValuesAndLiveRootEntries();

    void SectorPresetCoversSmallDevicesWhole();
    void SectorDialogReturnsTheEditedRangeOnOkOnly();
    void SectorSlidersWriteTheEdits();
    void ClusterDialogDerivesEditsFromSlidersAcrossShowings();
    void FatSelectKeepsIndexUnlessConfirmed();
};

void TDialogTest::initTestCase() {
    QLocale::setDefault(QLocale::c());
    g_Images = new TImages;
    QVERIFY2(g_Images->Make(), "making the test images with mkfs.fat, sfdisk and mtools failed");
}

void TDialogTest::cleanupTestCase() {
    delete g_Images;
    g_Images = nullptr;
}

void TDialogTest::ListsShowEveryDriveAndOnlyBiosDisks() {
    TWorld world({g_Images->Floppy, g_Images->Disk});
    TDriveDialog d(world);
    // The floppy answers as BIOS disk 0 and as drive A:; only the BIOS disks are searched.
    QCOMPARE(Texts(d.Physical),
             (QStringList{"floppy disk #1   (1.41 MB)", "fixed disk #2   (32.00 MB)"}));
    QCOMPARE(Texts(d.Logical),
             (QStringList{"FLOPPY        on floppy disk #1", "DATA          on fixed disk #2",
                          "NONAME   on fixed disk #2", "FLOPPY        on Windows drive A:"}));
    QVERIFY(d.NoDevices->isHidden());
}

void TDialogTest::ControlsFollowPageAndSelection() {
    TWorld world({g_Images->Disk});
    TDriveDialog d(world);
    const auto enabled = [&] {
        return QList<bool>{d.OK->isEnabled(),       d.Find->isEnabled(),    d.FAT->isEnabled(),
                           d.FATLabel->isEnabled(), d.SkipBad->isEnabled(), d.Preview->isEnabled()};
    };
    using L = QList<bool>;
    QCOMPARE(enabled(), (L{false, false, false, false, false, false}));
    d.SelectLogical(0);
    QCOMPARE(enabled(), (L{true, true, true, true, true, true}));
    QVERIFY(d.Preview->isHidden());
    d.Dialog->SetActivePage(TDriveDlg::PhysicalPage);
    QCOMPARE(enabled(), (L{false, false, false, false, false, false}));
    QCOMPARE(d.FAT->count(), 0);
    d.SelectPhysical(0);
    QCOMPARE(enabled(), (L{false, true, false, false, false, false}));
    d.Dialog->SetActivePage(TDriveDlg::LogicalPage);
    QCOMPARE(enabled(), (L{true, true, true, true, true, true}));
    // Every refill drops the selections.
    d.Dialog->FillLists();
    QCOMPARE(enabled(), (L{false, false, false, false, false, false}));
    QVERIFY(d.SkipBad->isChecked());
}

void TDialogTest::FatChoicesShowCopiesAndWriteFatInUseAtOnce() {
    TWorld world({g_Images->Disk});
    TDriveDialog d(world);
    d.SelectLogical(0);
    QCOMPARE(Texts(d.FAT), (QStringList{"no", "1", "2"}));
    QCOMPARE(d.FAT->currentIndex(), int{world.Drive(0).FATInUse});
    d.SelectLogical(1);
    QCOMPARE(Texts(d.FAT), (QStringList{"no", "1"}));
    const int otherFat = world.Drive(1).FATInUse;

    // A FATInUse past the copies shows no choice; filling never writes FATInUse.
    world.Drive(0).FATInUse = 5;
    d.SelectLogical(0);
    QCOMPARE(d.FAT->currentIndex(), -1);
    QCOMPARE(int{world.Drive(0).FATInUse}, 5);

    // The user's choice reaches the drive at once and stays after Cancel.
    WhenShown(*d.Dialog, [&] {
        d.SelectLogical(0);
        d.FAT->setCurrentIndex(2);
        QCOMPARE(int{world.Drive(0).FATInUse}, 2);
        d.FAT->setCurrentIndex(0);
        d.Cancel->click();
    });
    QVERIFY(!d.Dialog->Execute());
    QCOMPARE(int{world.Drive(0).FATInUse}, 0);
    QCOMPARE(int{world.Drive(1).FATInUse}, otherFat);
}

void TDialogTest::DoubleClickOnADriveConfirms() {
    TWorld world({g_Images->Disk});
    TDriveDialog d(world);
    d.SkipBad->setChecked(false);
    world.Drive(1).FATInUse = 1;
    WhenShown(*d.Dialog, [&] {
        d.SelectLogical(1);
        d.DoubleClickLogical(1);
    });
    QVERIFY(d.Dialog->Execute());
    QCOMPARE(d.Dialog->DriveIndex, 1);
    QCOMPARE(d.Dialog->FATIndex, 1);
    QCOMPARE(d.Dialog->SkipBad, false);

    // With nothing selected a double-click in the empty part of the list does nothing.
    bool stillOpen = false;
    WhenShown(*d.Dialog, [&] {
        d.DoubleClick(QPoint(10, d.Logical->viewport()->height() - 5));
        stillOpen = d.Dialog->isVisible();
        d.Cancel->click();
    });
    QVERIFY(!d.Dialog->Execute());
    QVERIFY(stillOpen);
    QCOMPARE(d.Dialog->DriveIndex, 1);
}

void TDialogTest::PhysicalSelectionKeepsTheLogicalDriveConfirmable() {
    TWorld world({g_Images->Disk});
    TDriveDialog d(world);
    world.Drive(0).FATInUse = 2;
    WhenShown(*d.Dialog, [&] {
        d.Dialog->SetActivePage(TDriveDlg::PhysicalPage);
        d.SelectPhysical(0);
        d.Dialog->SetActivePage(TDriveDlg::LogicalPage);
        d.SelectLogical(0);
        d.Dialog->SetActivePage(TDriveDlg::PhysicalPage);
        QVERIFY(d.OK->isEnabled());
        d.OK->click();
    });
    QVERIFY(d.Dialog->Execute());
    QCOMPARE(d.Dialog->DriveIndex, 0);
    // The physical page empties the FAT box: no choice, so the drive keeps its FATInUse.
    QCOMPARE(d.Dialog->FATIndex, -1);
    QCOMPARE(int{world.Drive(0).FATInUse}, 2);
}

void TDialogTest::FindSearchesTheChosenDeviceAndShowsLostDrives() {
    TWorld world({g_Images->Floppy, g_Images->Disk});
    TDriveDialog d(world);
    devices::TDevice* disk = world.Session.DeviceList.Items(1);

    // A search that finds nothing leaves the physical page showing.
    d.Dialog->SetActivePage(TDriveDlg::PhysicalPage);
    d.SelectPhysical(1);
    d.Find->click();
    QCOMPARE(d.Searched, std::vector<devices::TDevice*>{disk});
    QCOMPARE(d.Pages->currentIndex(), TDriveDlg::PhysicalPage);

    d.OnFind = [&](devices::TDevice& device) {
        world.Session.DriveList.AddLostDrive(device, 2048, 2048, 16384, true);
    };
    d.SelectPhysical(1);
    d.Find->click();
    QCOMPARE(d.Pages->currentIndex(), TDriveDlg::LogicalPage);
    QCOMPARE(d.Logical->count(), 5);
    QCOMPARE(d.Logical->item(4)->text(), QString("DATA        (lost)   on fixed disk #2"));

    // On the logical page the search runs on the selected drive's device.
    d.OnFind = nullptr;
    d.SelectLogical(0);
    d.Find->click();
    QCOMPARE(d.Searched.back(), world.Session.DeviceList.Items(0));
}

void TDialogTest::RescanAsksFirst() {
    TWorld world({g_Images->Disk});
    TDriveDialog d(world);
    QPushButton* rescan = Child<QPushButton>(d.Dialog, "Button3");
    test::TScriptedPrompter prompter;
    prompter.Script({platform::TPromptAnswer::paNo, platform::TPromptAnswer::paYes});

    d.SelectLogical(0);
    rescan->click();
    QCOMPARE(d.Rescans, 0);
    QCOMPARE(d.Logical->currentRow(), 0);

    rescan->click();
    QCOMPARE(d.Rescans, 1);
    QCOMPARE(d.Logical->count(), world.Session.DriveList.Count());
    QVERIFY(d.Logical->selectedItems().isEmpty());

    QCOMPARE(prompter.Shown().size(), size_t{2});
    const platform::TPrompt& prompt = prompter.Shown().front();
    QCOMPARE(prompt.Caption, std::string("Rescan for drives"));
    QCOMPARE(prompt.Text, std::string("This will  also clear all 'lost drives' that have been "
                                      "found from the list!\r\nAre you sure to proceed? "));
    QVERIFY(prompt.Icon == platform::TPromptIcon::piInformation);
    QVERIFY(prompt.Buttons == platform::TPromptButtons::pbYesNo);
}

void TDialogTest::EmptyDeviceListShowsHowToGetADevice() {
    TWorld world({});
    TDriveDialog d(world);
    QCOMPARE(d.Logical->count(), 0);
    QCOMPARE(d.Physical->count(), 0);
    QVERIFY(!d.NoDevices->isHidden());
    QVERIFY(d.NoDevices->text().contains("\"disk\" group"));
    QVERIFY(d.NoDevices->text().contains("image file"));
    WhenShown(*d.Dialog, [&] {
        QVERIFY(!d.OK->isEnabled());
        QTest::keyClick(d.Dialog, Qt::Key_Return);
        QVERIFY(d.Dialog->isVisible());
        QTest::keyClick(d.Dialog, Qt::Key_Escape);
    });
    QVERIFY(!d.Dialog->Execute());

    QVERIFY(d.Dialog->OpenImage(QString::fromStdString(g_Images->Floppy)));
    QVERIFY(d.NoDevices->isHidden());
    QCOMPARE(d.Physical->count(), 1);
}

void TDialogTest::OpeningAnImageAddsItsDrivesAndKeepsTheOthers() {
    TWorld world({g_Images->Disk});
    fat::TRecoverySession& session = world.Session;
    devices::TDevice* disk = session.DeviceList.Items(0);
    session.DriveList.AddLostDrive(*disk, 2048, 2048, 16384, true);
    const devices::TCustomDrive* lost = session.DriveList.Items(2);
    TDriveDialog d(world);

    QVERIFY(d.Dialog->OpenImage(QString::fromStdString(g_Images->Floppy)));
    QCOMPARE(session.DeviceList.Count(), 3);
    QCOMPARE(session.DeviceList.Items(0), disk);
    QCOMPARE(session.DriveList.Items(2), lost);
    QCOMPARE(Texts(d.Physical),
             (QStringList{"fixed disk #1   (32.00 MB)", "floppy disk #2   (1.41 MB)"}));
    QCOMPARE(Texts(d.Logical),
             (QStringList{"DATA          on fixed disk #1", "NONAME   on fixed disk #1",
                          "DATA        (lost)   on fixed disk #1",
                          "FLOPPY        on floppy disk #2", "FLOPPY        on Windows drive A:"}));
    // The new drive reads: its root holds the floppy's volume label entry only.
    QVERIFY(world.Drive(3).RootDir != nullptr);

    test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
    QVERIFY(!d.Dialog->OpenImage(QString::fromStdString(g_Images->Dir.File("missing.img"))));
    QCOMPARE(prompter.Shown().size(), size_t{1});
    QVERIFY(prompter.Shown().front().Text.find("missing.img") != std::string::npos);
    QCOMPARE(session.DeviceList.Count(), 3);
    QCOMPARE(d.Logical->count(), 5);
}

void TDialogTest::PreviewShowsBootValuesAndLiveRootEntries() {
    TWorld world({g_Images->Disk, g_Images->Fat32});
    app::TPreviewDrvDialog preview;
    const auto field = [&](const char* name) { return Child<QLineEdit>(&preview, name)->text(); };

    struct TCase {
        int Drive;
        QString Type;
        QString Label;
        QString PhysSec;
    };
    // FAT32 keeps its label at offset 71, FAT12 and FAT16 at 43 (wiped on the FAT12 drive).
    for (const TCase& c :
         {TCase{0, "FAT16", "DATA       ", "2048"}, TCase{1, "FAT12", QString(), "18432"},
          TCase{2, "FAT32", "BIGVOL     ", "0"}}) {
        preview.Drive = &world.Drive(c.Drive);
        QVERIFY(preview.Fill());
        QCOMPARE(field("EditFAT"), c.Type);
        QCOMPARE(field("EditVolLabel"), c.Label);
        QCOMPARE(field("EditPhysSec"), c.PhysSec);
        QCOMPARE(field("EditOEM"), QString("mkfs.fat"));
        QCOMPARE(field("EditTotalSec"), QString::number(world.Drive(c.Drive).TotalSectors));
        QCOMPARE(field("EditSecPerClus"),
                 QString::number(world.Drive(c.Drive).SectorsPerCluster()));
    }

    preview.Drive = &world.Drive(0);
    QVERIFY(preview.Fill());
    auto* root = Child<QTreeWidget>(&preview, "ListView1");
    QStringList rows;
    for (int i = 0; i < root->topLevelItemCount(); ++i) {
        rows << root->topLevelItem(i)->text(0) + "|" + root->topLevelItem(i)->text(1);
    }
    // Sorted by name; no volume label, no deleted entry; folders without a size.
    QCOMPARE(rows, (QStringList{"a long name.txt|5", "DOCS|", "HELLO.TXT|5"}));
    QVERIFY(root->topLevelItem(0)->text(2).contains(':'));

    preview.Drive = nullptr;
    QVERIFY(!preview.Fill());
}

void TDialogTest::SectorPresetCoversSmallDevicesWhole() {
    struct TCase {
        uint32_t Total;
        uint32_t End;
        int EndSlider;
    };
    for (const TCase& c : {TCase{2880, 2879, 50}, TCase{100001, 100000, 50},
                           TCase{131072, 100000, 38}, TCase{50, 49, 49}}) {
        devices::TDevice device;
        device.TotalSectors = c.Total;
        device.BytesPerSector = 512;
        ui::TSectorDialog dialog;
        dialog.Preset(device);
        QCOMPARE(dialog.SectorCount, c.Total);
        QCOMPARE(dialog.StartSector, 0u);
        QCOMPARE(dialog.EndSector, c.End);
        int endSlider = -1;
        WhenShown(dialog, [&] {
            endSlider = Child<QSlider>(&dialog, "TrackBarEndSec")->value();
            dialog.reject();
        });
        QVERIFY(!dialog.Execute());
        QCOMPARE(endSlider, c.EndSlider);
    }
}

void TDialogTest::SectorDialogReturnsTheEditedRangeOnOkOnly() {
    ui::TSectorDialog dialog;
    auto* start = Child<QLineEdit>(&dialog, "EditStartSec");
    auto* end = Child<QLineEdit>(&dialog, "EditEndSec");
    auto* size = Child<QLabel>(&dialog, "LabelSize");
    const auto preset = [&] {
        dialog.SectorCount = 4096000;
        dialog.StartSector = 0;
        dialog.EndSector = 2047999;
        dialog.BytesPerSector = 512;
    };

    // Typed numbers reach the fields on OK; letters leave theirs, and the size line.
    preset();
    QString shownSize;
    QString sizeAfterLetters;
    QString captions;
    WhenShown(dialog, [&] {
        shownSize = size->text();
        captions = Child<QWidget>(&dialog, "GroupBox1")->property("title").toString() + "|" +
                   Child<QWidget>(&dialog, "GroupBox2")->property("title").toString();
        start->selectAll();
        QTest::keyClicks(start, "1000");
        end->selectAll();
        QTest::keyClicks(end, "12x");
        Child<QPushButton>(&dialog, "Button1")->click();
        sizeAfterLetters = size->text();
        Child<QPushButton>(&dialog, "OKBtn")->click();
    });
    QVERIFY(dialog.Execute());
    QCOMPARE(shownSize, QString("0.98 GB"));
    QCOMPARE(sizeAfterLetters, QString("0.98 GB"));
    QCOMPARE(captions, QString("Start sector (min. 0)|End sector (max. 4095999)"));
    QCOMPARE(dialog.StartSector, 1000u);
    QCOMPARE(dialog.EndSector, 2047999u);

    // The next showing starts from the fields again; Apply recomputes from the edits.
    QString appliedSize;
    WhenShown(dialog, [&] {
        end->selectAll();
        QTest::keyClicks(end, "2046951");
        Child<QPushButton>(&dialog, "Button1")->click();
        appliedSize = size->text();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QVERIFY(!dialog.Execute());
    QCOMPARE(appliedSize, QString("999.00 MB"));
    QCOMPARE(dialog.StartSector, 1000u);
    QCOMPARE(dialog.EndSector, 2047999u);
    QCOMPARE(start->text(), QString("1000"));
}

void TDialogTest::SectorSlidersWriteTheEdits() {
    ui::TSectorDialog dialog;
    dialog.SectorCount = 2880;
    dialog.EndSector = 2879;
    auto* start = Child<QLineEdit>(&dialog, "EditStartSec");
    auto* startSlider = Child<QSlider>(&dialog, "TrackBarStartSec");
    auto* endSlider = Child<QSlider>(&dialog, "TrackBarEndSec");
    WhenShown(dialog, [&] {
        startSlider->setValue(10);
        QCOMPARE(start->text(), QString("576"));
        endSlider->setValue(20);
        startSlider->setValue(30); // past the end slider: the edit stays
        QCOMPARE(start->text(), QString("576"));
        QCOMPARE(startSlider->value(), 30);
        startSlider->setValue(20);
        QCOMPARE(start->text(), QString("1152"));
        Child<QPushButton>(&dialog, "OKBtn")->click();
    });
    QVERIFY(dialog.Execute());
    QCOMPARE(dialog.StartSector, 1152u);
    QCOMPARE(dialog.EndSector, 1152u);
}

void TDialogTest::ClusterDialogDerivesEditsFromSlidersAcrossShowings() {
    ui::TClusterDialogWindow window;
    fat::TClusterDialog& dialog = window; // as the lost-data search sees it
    dialog.ClusterCount = 2048;
    dialog.StartCluster = 2;
    dialog.EndCluster = 2049;
    dialog.BytesPerCluster = 4096;
    auto* start = Child<QLineEdit>(&window, "EditStartClus");
    auto* end = Child<QLineEdit>(&window, "EditEndClus");
    QString first;
    WhenShown(window, [&] {
        first = start->text() + ".." + end->text() + " " +
                Child<QLabel>(&window, "LabelSize")->text() + " " +
                Child<QWidget>(&window, "GroupBox2")->property("title").toString();
        Child<QSlider>(&window, "TrackBarStartClus")->setValue(25);
        Child<QPushButton>(&window, "OKBtn")->click();
    });
    QVERIFY(dialog.Execute());
    QCOMPARE(first, QString("2..2049 8 MB End cluster (max. 2049)"));
    QCOMPARE(dialog.StartCluster, 1025u);
    QCOMPARE(dialog.EndCluster, 2049u);

    // The slider keeps its place; the preset numbers are not shown, and Cancel keeps them.
    dialog.StartCluster = 2;
    QString second;
    WhenShown(window, [&] {
        second = start->text() + ".." + end->text();
        Child<QPushButton>(&window, "CancelBtn")->click();
    });
    QVERIFY(!dialog.Execute());
    QCOMPARE(second, QString("1025..2049"));
    QCOMPARE(dialog.StartCluster, 2u);
}

void TDialogTest::FatSelectKeepsIndexUnlessConfirmed() {
    app::TFATSelectDialog dialog;
    dialog.ComboBoxFAT->addItems({"no FAT (consecutive)", "FAT 1", "FAT 2"});
    dialog.FATIndex = 1;
    WhenShown(dialog, [&] {
        dialog.ComboBoxFAT->setCurrentIndex(2);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QVERIFY(!dialog.Execute());
    QCOMPARE(dialog.FATIndex, 1);
    WhenShown(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Return); });
    QVERIFY(dialog.Execute());
    QCOMPARE(dialog.FATIndex, 2);
}

QTEST_MAIN(TDialogTest)
#include "dialog_test.moc"
