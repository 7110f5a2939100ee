// The main window driven as a user would: an image made by mkfs.fat and mtools is opened,
// its categories browsed, the list sorted and selected, the tree moved through quickly.
#include "app/dir_select_dialog.h"
#include "app/drive_dialog.h"
#include "app/drive_info_dialog.h"
#include "app/fat_select_dialog.h"
#include "app/main_window.h"
#include "app/options_dialog.h"
#include "devices/custom_drive.h"
#include "diskio/logical_disk_io.h"
#include "fat/fat_drive.h"
#include "support/image_tools.h"
#include "ui/debug_box_window.h"
#include "ui/folder_tree_model.h"
#include "ui/item_list_model.h"
#include "ui/range_dialogs.h"
#include "ui/skins.h"
#include "ui/viewer_dialog.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <fstream>

using namespace tw;

class TMainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TTempDir> m_Dir;
    std::unique_ptr<test::TDeviceTableScope> m_Scope;
    std::string m_Image;

    static std::string Lines(int count, int seed) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += "row " + std::to_string(seed) + " " + std::to_string(i) + "\n";
        }
        return text;
    }

    /// A window with the test image's drive 0 open.
    std::unique_ptr<app::TMainForm> OpenWindow() {
        auto window = std::make_unique<app::TMainForm>(QStringList{});
        window->WelcomeShown = true;
        window->show();
        window->DeviceScanPending = false;
        if (!window->DetectAll() || !window->OpenDrive(0, -1, true)) {
            return nullptr;
        }
        return window;
    }

    devices::TTreeNode* Child(devices::TTreeNode* node, const std::string& text) {
        for (auto& child : node->Children) {
            if (child->Text == text) {
                return child.get();
            }
        }
        return nullptr;
    }

    int RowOf(app::TMainForm& window, const std::string& caption) {
        for (size_t i = 0; i < window.List.Items.size(); ++i) {
            if (window.List.Items[i].Caption == caption) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void SelectRow(app::TMainForm& window, int row) {
        window.ListView1->selectionModel()->select(window.ListModel->index(row, 0),
                                                   QItemSelectionModel::Select |
                                                       QItemSelectionModel::Rows);
    }

    /// Saves the list's selection through the destination dialog into folder.
    void SaveSelectionTo(app::TMainForm& window, const std::string& folder) {
        QTimer::singleShot(0, [&] {
            window.DirSelectDialog->SelectDirectory(QString::fromStdString(folder));
            window.DirSelectDialog->accept();
        });
        window.Action("&Save to...")->trigger();
    }

private slots:
    void initTestCase() {
        m_Dir = std::make_unique<test::TTempDir>();
        m_Image = m_Dir->File("vol.img");
        const std::string mt = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
        const std::string i = " -i " + test::Quote(m_Image) + " ";
        QVERIFY(
            test::Run("mkfs.fat -C -F 16 -n UITEST " + test::Quote(m_Image) + " 16384 >/dev/null"));
        auto put = [&](const std::string& name, const std::string& text, const std::string& to) {
            std::ofstream(m_Dir->File(name), std::ios::binary) << text;
            return test::Run(mt + "mcopy" + i + test::Quote(m_Dir->File(name)) + " " +
                             test::Quote(to));
        };
        QVERIFY(test::Run(mt + "mmd" + i + "::DOCS ::DOCS/OLD ::PICS"));
        QVERIFY(put("a", Lines(10, 1), "::DOCS/Nine.txt"));
        QVERIFY(put("b", Lines(2000, 2), "::DOCS/Ten.txt"));
        QVERIFY(put("c", Lines(5, 3), "::GONE.TXT"));
        QVERIFY(put("d", Lines(5, 4), "::KEEP.TXT"));
        QVERIFY(put("e", Lines(300, 5), "::DOCS/Old report.txt"));
        QVERIFY(test::Run(mt + "mdel" + i + "::GONE.TXT '::DOCS/Old report.txt'"));
        // Reuse GONE.TXT's cluster, so that one deleted file is "poor".
        QVERIFY(put("f", Lines(5, 6), "::PICS/NEW.TXT"));
        m_Scope = std::make_unique<test::TDeviceTableScope>();
        m_Scope->AttachFile(m_Image);
    }

    void cleanupTestCase() {
        m_Scope.reset();
        m_Dir.reset();
    }

    void startsInModeOneWithTheOpenCommandsOnly() {
        app::TMainForm window(QStringList{"debug"});
        window.WelcomeShown = true;
        QCOMPARE(window.Mode, 1);
        QVERIFY(window.Action("&Drive...")->isEnabled());
        QVERIFY(!window.Action("&Find...")->isEnabled());
        QVERIFY(!window.Action("&Save to...")->isEnabled());
        QVERIFY(window.Button("ButtonOpenDrive")->isEnabled());
        QVERIFY(!window.Button("ButtonFindLostData")->isEnabled());
        QCOMPARE(window.Notebook1->currentWidget()->objectName(), QString("DummyPage"));
        QVERIFY2(!window.DebugBox->State().Visible, "a lower-case debug does not show the log");
        QVERIFY(window.windowTitle().endsWith("www.tarnwell.example"));
        QCOMPARE(QApplication::instance()->property("tarnwellSkin").toString(), window.SkinName);
        QCOMPARE(window.Button("ButtonSaveTo")->text(), QString::fromUtf8("恢复数据"));
    }

    void skinsFollowTheTensDigit() {
        QCOMPARE(ui::SkinNameForTick(1234567), QString("MacOS (internal)"));
        QCOMPARE(ui::SkinNameForTick(100007), QString("Acryl (internal)"));
        QCOMPARE(ui::SkinNameForTick(7), QString("Acryl (internal)"));
    }

    void opensADriveWithFourCategoriesAndBrowsesDeleted() {
        auto window = OpenWindow();
        QVERIFY(window);
        QAbstractItemModelTester treeTester(window->TreeModel,
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester listTester(window->ListModel,
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(window->Mode, 2);
        QCOMPARE(window->Notebook1->currentWidget()->objectName(), QString("BrowserPage"));
        QCOMPARE(window->TreeModel->rowCount(), 4);
        QStringList captions;
        for (int row = 0; row < 4; ++row) {
            captions << window->TreeModel->index(row, 0).data().toString();
        }
        QCOMPARE(captions, (QStringList{"Root", "Deleted", "Lost", "Searched"}));
        QCOMPARE(window->StatusBar3->text(), QString("Folders"));
        QVERIFY(window->TreeModel->hasChildren(window->TreeModel->index(0, 0)));
        QVERIFY(!window->TreeModel->hasChildren(window->TreeModel->index(2, 0)));

        window->ApplyTreeChange(window->Tree.DeletedNode);
        QCOMPARE(window->List.Columns.size(), size_t{6});
        const int gone = RowOf(*window, "_ONE.TXT");
        QVERIFY(gone >= 0);
        QCOMPARE(window->List.Items[static_cast<size_t>(gone)].SubItems[3], std::string("poor"));
        QVERIFY(RowOf(*window, "KEEP.TXT") < 0);
        QVERIFY(window->StatusBar2->text().startsWith("Content of 'Deleted"));

        // Expanding "Deleted" reads its folders in deleted mode; the report is "good".
        const QModelIndex deleted = window->TreeModel->index(1, 0);
        window->TreeView->expand(deleted);
        QTRY_VERIFY(window->TreeModel->rowCount(deleted) > 0);
        devices::TTreeNode* docs = Child(window->Tree.DeletedNode, "DOCS");
        QVERIFY(docs);
        window->ApplyTreeChange(docs);
        const int report = RowOf(*window, "Old report.txt");
        QVERIFY(report >= 0);
        QCOMPARE(window->List.Items[static_cast<size_t>(report)].SubItems[3], std::string("good"));
        QVERIFY2(RowOf(*window, "Nine.txt") < 0, "only deleted files under Deleted");
        window->ButtonParentDirClick();
        QCOMPARE(window->CurrentNode, window->Tree.DeletedNode);
        window->ButtonParentDirClick();
        QCOMPARE(window->CurrentNode, window->Tree.DeletedNode); // "a category has no parent"
    }

    void sortsBothWaysWithFoldersFirstAscending() {
        auto window = OpenWindow();
        QVERIFY(window);
        devices::TTreeNode* root = window->Tree.RootNode;
        window->ApplyTreeChange(root);
        window->TreeView->expand(window->TreeModel->IndexOf(root));
        QTRY_VERIFY(Child(root, "DOCS") != nullptr);
        window->ApplyTreeChange(Child(root, "DOCS"));
        window->ListView1ColumnClick(1); // Size, ascending
        QCOMPARE(window->List.Items.front().Caption, std::string("OLD"));
        QCOMPARE(window->List.Items[1].Caption, std::string("Nine.txt"));
        QCOMPARE(window->List.Items[2].Caption, std::string("Ten.txt"));
        window->ListView1ColumnClick(1); // again: descending, files first
        QCOMPARE(window->List.Items.front().Caption, std::string("Ten.txt"));
        QCOMPARE(window->List.Items.back().Caption, std::string("OLD"));
        window->ListView1ColumnClick(0); // another column starts ascending
        QVERIFY(!window->List.SortDescending);
    }

    void selectionDrivesTheCommandsAndTheStatus() {
        auto window = OpenWindow();
        QVERIFY(window);
        window->ApplyTreeChange(window->Tree.RootNode);
        QCOMPARE(window->StatusBar1[0]->text(),
                 QString("%1 Object(s)").arg(window->List.Items.size()));
        QCOMPARE(window->StatusBar1[1]->text(), QString("0 KB"));
        QVERIFY(!window->Action("&Save to...")->isEnabled());

        auto select = [&](std::initializer_list<const char*> captions) {
            window->ListView1->selectionModel()->clear();
            for (const char* caption : captions) {
                window->ListView1->selectionModel()->select(
                    window->ListModel->index(RowOf(*window, caption), 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
            window->UpdateMenus();
            window->UpdateStatus();
        };
        select({"DOCS"});
        QVERIFY(window->Action("&Save to...")->isEnabled());
        QVERIFY(window->Button("ButtonSaveTo")->isEnabled());
        QVERIFY(window->Action("&Rename...")->isEnabled());
        QVERIFY(window->Action("&Properties...")->isEnabled());
        QVERIFY(!window->Action("&hex dump...")->isEnabled());
        select({"KEEP.TXT"});
        QVERIFY(window->Action("&hex dump...")->isEnabled());
        QVERIFY(window->Action("&text...")->isEnabled());
        QCOMPARE(window->StatusBar1[0]->text(), QString("1 Object(s) selected"));
        select({"KEEP.TXT", "DOCS"});
        QVERIFY(window->Action("&Save to...")->isEnabled());
        QVERIFY(!window->Action("&Rename...")->isEnabled());
        QVERIFY(!window->Action("&text...")->isEnabled());
        window->MenuSelectAllClick();
        QCOMPARE(window->StatusBar1[0]->text(),
                 QString("%1 Object(s) selected").arg(window->List.Items.size()));
    }

    void fiveQuickMovesFillTheListOnce() {
        auto window = OpenWindow();
        QVERIFY(window);
        window->TreeView->setFocus();
        const int before = window->ListFills;
        for (int row : {0, 1, 2, 3, 1}) {
            window->TreeView->setCurrentIndex(window->TreeModel->index(row, 0));
            QTest::qWait(10);
        }
        QTRY_COMPARE(window->ListFills, before + 1);
        QTest::qWait(200);
        QCOMPARE(window->ListFills, before + 1);
        QCOMPARE(window->CurrentNode, window->Tree.DeletedNode);
    }

    void driveInfoReadsTheGeometryAfresh() {
        auto window = OpenWindow();
        QVERIFY(window);
        window->DriveInfoDialog->Fill(*window->CurrentDevice);
        QVERIFY(window->DriveInfoDialog->EditName->text().startsWith("Windows drive C:"));
        QCOMPARE(window->DriveInfoDialog->EditSectors->text(), QString("32768"));
        QCOMPARE(window->DriveInfoDialog->EditBytesPerSec->text(), QString("512"));
    }

    void optionsShowTheRecordAndStoreOnOk() {
        diskio::TOptions options;
        app::TOptionsDialog dialog(options);
        QTimer::singleShot(0, [&] {
            QVERIFY(dialog.CheckBoxEnableCache->isChecked());
            QVERIFY(dialog.CheckBoxFindLostFiles->isChecked());
            QCOMPARE(dialog.EditLostDefaultSize->text(), QString("1474560"));
            QCOMPARE(dialog.EditDeletedCharAnsi->text(), QString("_"));
            QVERIFY(!dialog.GroupBoxPhysical9X->isEnabled());
            dialog.EditLostDefaultSize->setText("$1000");
            dialog.CheckBoxFindLostFiles->setChecked(false);
            dialog.accept();
        });
        QVERIFY(dialog.Edit());
        QCOMPARE(options.LostDefaultSize, 4096u);
        QVERIFY(!options.FindLostFiles);
        QTimer::singleShot(0, [&] {
            dialog.EditLostDefaultSize->setText("12abc");
            dialog.reject();
        });
        QVERIFY(!dialog.Edit());
        QCOMPARE(options.LostDefaultSize, 4096u);
    }

    void savesADeletedFileFromTheWindowByteExact() {
        auto window = OpenWindow();
        QVERIFY(window);
        window->TreeView->expand(window->TreeModel->IndexOf(window->Tree.DeletedNode));
        QTRY_VERIFY(Child(window->Tree.DeletedNode, "DOCS") != nullptr);
        window->ApplyTreeChange(Child(window->Tree.DeletedNode, "DOCS"));
        const int row = RowOf(*window, "Old report.txt");
        QVERIFY(row >= 0);
        SelectRow(*window, row);
        test::TTempDir out;
        SaveSelectionTo(*window, out.Path());
        std::ifstream saved(out.File("Old report.txt"), std::ios::binary);
        QCOMPARE(
            std::string(std::istreambuf_iterator<char>(saved), std::istreambuf_iterator<char>()),
            Lines(300, 5));
        QVERIFY(window->centralWidget()->isEnabled());
    }

    void findLostDataShowsLostEvenWhenTheRangeIsCancelled() {
        auto window = OpenWindow();
        QVERIFY(window);
        QTimer::singleShot(0, [&] { window->ClusterDialog->reject(); });
        window->Action("&Find lost data...")->trigger();
        QCOMPARE(window->CurrentNode, window->Tree.LostNode);
        QTimer::singleShot(0, [&] { window->ClusterDialog->accept(); });
        window->Action("&Find lost data...")->trigger();
        QCOMPARE(window->CurrentNode, window->Tree.LostNode);
        QVERIFY(!window->Busy);
    }

    void viewingPreselectsNoFatUnderDeleted() {
        auto window = OpenWindow();
        QVERIFY(window);
        window->ApplyTreeChange(window->Tree.DeletedNode);
        const int row = RowOf(*window, "_ONE.TXT");
        QVERIFY(row >= 0);
        window->ListView1->selectionModel()->select(window->ListModel->index(row, 0),
                                                    QItemSelectionModel::Select |
                                                        QItemSelectionModel::Rows);
        int preselected = -1;
        QTimer::singleShot(0, [&] {
            preselected = window->FATSelectDialog->ComboBoxFAT->currentIndex();
            window->FATSelectDialog->reject();
        });
        window->Action("&hex dump...")->trigger();
        QCOMPARE(preselected, 0);
        window->ApplyTreeChange(window->Tree.RootNode);
        window->ListView1->selectionModel()->select(
            window->ListModel->index(RowOf(*window, "KEEP.TXT"), 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTimer::singleShot(0, [&] {
            preselected = window->FATSelectDialog->ComboBoxFAT->currentIndex();
            window->FATSelectDialog->accept();
            QTimer::singleShot(0, [&] { window->ViewerDialog->reject(); });
        });
        window->Action("&text...")->trigger();
        QCOMPARE(preselected, static_cast<int>(window->CurrentDrive->FATInUse));
    }

    void theUndeleteModeOpensADriveAndShowsDeleted() {
        app::TMainForm window(QStringList{});
        window.WelcomeShown = true;
        window.show();
        // Confirms the drive dialog with its first drive once it is on screen.
        QTimer confirm;
        QObject::connect(&confirm, &QTimer::timeout, [&] {
            if (!window.DriveDlg->isVisible()) {
                return;
            }
            confirm.stop();
            auto* list = window.DriveDlg->findChild<QAbstractItemView*>("ListView1");
            if (list && list->model()->rowCount() > 0) {
                list->selectionModel()->select(list->model()->index(0, 0),
                                               QItemSelectionModel::ClearAndSelect);
            }
            static_cast<QDialog*>(window.DriveDlg)->accept();
            if (window.DriveDlg->isVisible()) {
                window.DriveDlg->reject(); // a refused confirmation must not hang the test
            }
        });
        confirm.start(20);
        window.RunWelcomeMode(1);
        QCOMPARE(window.Mode, 2);
        QVERIFY(window.CurrentDrive != nullptr);
        QCOMPARE(window.TreeModel->NodeOf(window.TreeView->currentIndex()),
                 window.Tree.DeletedNode);
    }

    void findsLostDataOfAQuickFormattedDriveAndSavesALostFolder() {
        const std::string quick = m_Dir->File("quick.img");
        const std::string mt = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
        QVERIFY(
            test::Run("mkfs.fat -C -F 16 -n QUICK " + test::Quote(quick) + " 16384 >/dev/null"));
        std::ofstream(m_Dir->File("plan"), std::ios::binary) << Lines(1500, 9);
        QVERIFY(test::Run(mt + "mmd -i " + test::Quote(quick) + " ::PROJECTS"));
        QVERIFY(test::Run(mt + "mcopy -i " + test::Quote(quick) + " " +
                          test::Quote(m_Dir->File("plan")) + " ::PROJECTS/PLAN.TXT"));
        QVERIFY(test::Run("mkfs.fat -F 16 -n QUICK " + test::Quote(quick) + " >/dev/null"));

        auto window = std::make_unique<app::TMainForm>(QStringList{});
        window->WelcomeShown = true;
        window->show();
        window->DeviceScanPending = false;
        std::string error;
        QVERIFY(window->Session.AttachImage(quick, error));
        int index = -1;
        for (int i = 0; i < window->Session.DriveList.Count(); ++i) {
            if (window->Session.DriveList.Items(i)->Name.rfind("QUICK", 0) == 0) {
                index = i;
            }
        }
        QVERIFY(index >= 0);
        QVERIFY(window->OpenDrive(index, -1, false));
        QTimer::singleShot(0, [&] { window->ClusterDialog->accept(); });
        window->Action("&Find lost data...")->trigger();
        QCOMPARE(window->CurrentNode, window->Tree.LostNode);
        int row = -1;
        for (size_t i = 0; i < window->List.Items.size(); ++i) {
            if (window->List.Items[i].Data && window->List.Items[i].Data->IsDirectory()) {
                row = static_cast<int>(i);
            }
        }
        QVERIFY(row >= 0);
        const std::string folder = window->List.Items[static_cast<size_t>(row)].Caption;
        SelectRow(*window, row);
        test::TTempDir out;
        SaveSelectionTo(*window, out.Path());
        std::ifstream saved(out.File(folder + "/PLAN.TXT"), std::ios::binary);
        QCOMPARE(
            std::string(std::istreambuf_iterator<char>(saved), std::istreambuf_iterator<char>()),
            Lines(1500, 9));
    }

    void aRescanLetsGoOfTheOpenDrive() {
        auto window = OpenWindow();
        QVERIFY(window);
        window->ApplyTreeChange(window->Tree.RootNode);
        QVERIFY(window->Rescan());
        QCOMPARE(window->Mode, 1);
        QVERIFY(window->CurrentDrive == nullptr);
        QVERIFY(window->CurrentNode == nullptr);
        QCOMPARE(window->ListModel->rowCount(), 0);
        QCOMPARE(window->TreeModel->rowCount(), 0);
        QVERIFY2(window->Session.DriveList.Count() >= 1, "the drives are found again");
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TMainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_test_main.moc"
