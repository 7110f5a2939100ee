#include "app/dir_select_dialog.h"
#include "app/find_dialog.h"
#include "app/item_commands.h"
#include "app/item_properties_dialog.h"
#include "app/vendor_contact.h"
#include "diskio/status_dialog.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/saving.h"
#include "fat/session.h"
#include "support/image_tools.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <functional>
#include <memory>

using namespace tw;
using test::Quote;

namespace {

const std::string Mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";

/// Runs action once the modal dialog that the next statement opens is showing; a dialog
/// that action left open (a failed check returns early) is cancelled, so no test hangs.
void WhenModal(std::function<void(QDialog&)> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            qWarning("no modal dialog is showing");
            return;
        }
        action(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

/// Runs action while the find dialog waits for Start or Stop; a wait that action left
/// running is stopped.
void WhenWaiting(app::TFindDialogWindow& window, std::function<void()> action) {
    QTimer::singleShot(0, &window, [&window, action = std::move(action)] {
        action();
        if (!window.Started && !window.Stopped) {
            window.ButtonCancel->click();
        }
    });
}

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

QStringList Texts(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) {
        texts << combo->itemText(i);
    }
    return texts;
}

QStringList DisplayNames(const devices::TCustomDirectory& folder) {
    QStringList names;
    for (const auto& child : *folder.Children) {
        names << QString::fromStdString(devices::ReplaceDeletedChar(*child));
    }
    return names;
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

/// A floppy image: Report.doc, my_report, REPORT.TXT, A.TXT, B.TXT, a.txt.bak in the root and
/// DOCS\Notes.txt, each file holding "hello".
struct TImage {
    test::TTempDir Dir;
    std::string Floppy = Dir.File("floppy.img");

    bool Make() {
        const std::string source = Dir.File("hello.txt");
        if (!test::MakeFloppyImage(Floppy) || !test::Run("printf hello > " + Quote(source)) ||
            !test::Run(Mtools + "mmd -i " + Quote(Floppy) + " ::DOCS")) {
            return false;
        }
        for (const char* name : {"Report.doc", "my_report", "REPORT.TXT", "A.TXT", "B.TXT",
                                 "a.txt.bak", "DOCS/Notes.txt"}) {
            if (!test::Run(Mtools + "mcopy -i " + Quote(Floppy) + " " + Quote(source) + " " +
                           Quote(std::string("::") + name))) {
                return false;
            }
        }
        return true;
    }
};

TImage* g_Image = nullptr;

/// The floppy attached and scanned; its first drive is open.
struct TWorld {
    test::TDeviceTableScope Scope;
    fat::TRecoverySession Session;

    TWorld() {
        Scope.AttachFile(g_Image->Floppy);
        diskio::TStatusDialog status;
        Session.DetectAll(status);
    }
    fat::TFATdrive& Drive() { return static_cast<fat::TFATdrive&>(*Session.DriveList.Items(0)); }
};

/// A folder with the files A.TXT, b.txt, a deleted file whose first character was lost
/// (EADME.TXT), and the folder DOCS, listed as the main window lists them.
struct TFolderFixture {
    fat::TFATDirectory Folder;
    devices::TListView List;

    TFolderFixture() {
        Folder.Children = std::make_unique<devices::TItemList>();
        AddFile("A.TXT", false);
        AddFile("b.txt", false);
        AddFile("EADME.TXT", true);
        auto docs = std::make_unique<fat::TFATDirectory>();
        docs->Name = "DOCS";
        docs->FirstCluster = 9;
        docs->Parent = &Folder;
        Folder.Children->push_back(std::move(docs));
        for (const auto& child : *Folder.Children) {
            devices::TListItem& row = List.Items.emplace_back();
            row.Data = child.get();
            child->UpdateListItem(row);
        }
    }
    void AddFile(const char* name, bool deleted) {
        auto file = std::make_unique<fat::TFATFile>();
        file->Name = name;
        file->FirstCharLost = deleted;
        file->Status = deleted ? devices::StatusDeleted : devices::StatusLive;
        file->FirstCluster = 5;
        file->Size = 1234;
        file->Parent = &Folder;
        Folder.Children->push_back(std::move(file));
    }
    devices::TListItem& Row(int index) { return List.Items[static_cast<size_t>(index)]; }
};

} // namespace

class TCommandTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void DirSelectPreselectsTheFatAndReturnsTheChosenFolder();
    void DirSelectFollowsATypedPathAndKeepsFieldsOnCancel();
    void SavingThroughTheDialogWritesIntoTheChosenFolder();

    void FindStartBuildsThePatternAndLocksTheName();
    void FindStopEscapeAndCloseBoxEndTheWaitAsStop();
    void FindQuittingTheApplicationEndsTheWait();
    void FindKeepsTheNewestFiveHitsInView();
    void FindByNameThroughTheWindow();
    void FindCloseBoxDuringTheWalkKeepsTheHitsSoFar();

    void PropertiesRefuseOKUntilBothNumbersAreUnsigned32();
    void PropertiesReturnTheEditsOnlyOnOK();
    void EditPropertiesWritesFileAndFolder();

    void RenameReportsAClashWithTheOldName();
    void RenameAcceptsANewName();
};

void TCommandTest::initTestCase() {
    g_Image = new TImage;
    QVERIFY2(g_Image->Make(), "making the test image with mkfs.fat and mtools failed");
}

void TCommandTest::cleanupTestCase() {
    delete g_Image;
    g_Image = nullptr;
}

void TCommandTest::DirSelectPreselectsTheFatAndReturnsTheChosenFolder() {
    test::TTempDir dir;
    QVERIFY(QDir().mkpath(QString::fromStdString(dir.File("Saved"))));
    app::TDirSelectDialogWindow window;
    fat::TDirSelectDialog& dialog = window; // as saving sees it
    dialog.FATChoices = {"no FAT (consecutive)", "FAT 1", "FAT 2"};
    dialog.SelectedFAT = 2;
    QVERIFY(window.SelectDirectory(QString::fromStdString(dir.Path())));
    const QString saved = QString::fromStdString(dir.File("Saved"));

    QStringList shown;
    int preselected = -1;
    WhenModal([&](QDialog&) {
        shown = Texts(window.ComboBoxFAT);
        preselected = window.ComboBoxFAT->currentIndex();
        QCOMPARE(window.Label2->text(), QString::fromStdString(dir.Path()) + "/");
        auto* model = static_cast<QFileSystemModel*>(window.ShellTreeView1->model());
        window.ShellTreeView1->setCurrentIndex(model->index(saved));
        QCOMPARE(window.Label2->text(), saved + "/");
        QCOMPARE(window.ShellComboBox1->currentText(), saved);
        window.ComboBoxFAT->setCurrentIndex(1);
        QTest::keyClick(window.ShellTreeView1, Qt::Key_Return);
    });
    QVERIFY(dialog.Execute());
    QCOMPARE(shown, (QStringList{"no FAT (consecutive)", "FAT 1", "FAT 2"}));
    QCOMPARE(preselected, 2);
    QVERIFY2(!window.ComboBoxFAT->isEditable(), "a pure selection list: no typed FAT choice");
    QCOMPARE(dialog.SelectedFAT, 1);
    QCOMPARE(QString::fromStdString(dialog.Directory), saved);

    const QString notice = window.findChild<QLabel*>("Label3")->text();
    QVERIFY(notice.startsWith(QString::fromUtf8("如果您恢复出来的文件有损坏，请联系我们，")));
    QVERIFY(notice.contains(app::VendorPhone));
}

void TCommandTest::DirSelectFollowsATypedPathAndKeepsFieldsOnCancel() {
    test::TTempDir dir;
    QVERIFY(QDir().mkpath(QString::fromStdString(dir.File("a/b"))));
    const QString a = QString::fromStdString(dir.File("a"));
    app::TDirSelectDialogWindow window;
    window.FATChoices = {"no FAT (consecutive)", "FAT 1"};
    window.SelectedFAT = 0;
    window.Directory = "unchanged";
    QVERIFY(window.SelectDirectory(a));
    QLineEdit* path = window.ShellComboBox1->lineEdit();

    WhenModal([&](QDialog& dialog) {
        // The path box lists the folders above the chosen one.
        QCOMPARE(window.ShellComboBox1->itemText(0), QString("/"));
        QCOMPARE(window.ShellComboBox1->itemText(window.ShellComboBox1->count() - 1), a);
        path->setText(a + "/b");
        QTest::keyClick(path, Qt::Key_Return);
        QVERIFY2(dialog.isVisible(), "Enter in the path box moves to the folder only");
        QCOMPARE(window.ChosenPath(), a + "/b");
        QCOMPARE(window.Label2->text(), a + "/b/");
        // Relative to the chosen folder, and nothing happens for a path that is no folder.
        path->setText("..");
        QTest::keyClick(path, Qt::Key_Return);
        QCOMPARE(window.ChosenPath(), a);
        path->setText(a + "/missing");
        QTest::keyClick(path, Qt::Key_Return);
        QCOMPARE(window.ChosenPath(), a);
        QCOMPARE(path->text(), a);
        window.ComboBoxFAT->setCurrentIndex(1);
        window.Button2->click();
    });
    QVERIFY(!window.Execute());
    QCOMPARE(window.SelectedFAT, 0);
    QCOMPARE(window.Directory, std::string("unchanged"));
}

void TCommandTest::SavingThroughTheDialogWritesIntoTheChosenFolder() {
    TWorld world;
    fat::TFATdrive& drive = world.Drive();
    QCOMPARE(drive.NumberOfFATs(), uint8_t{2});
    drive.FATInUse = 1;
    devices::TListView list;
    drive.Root().FillList(list, false);
    auto row = std::find_if(list.Items.begin(), list.Items.end(),
                            [](const devices::TListItem& item) { return item.Caption == "B.TXT"; });
    QVERIFY(row != list.Items.end());
    row->Selected = true;

    test::TTempDir destination;
    app::TDirSelectDialogWindow window;
    QVERIFY(window.SelectDirectory(QString::fromStdString(destination.Path())));
    diskio::TStatusDialog status;
    fat::TSaveEnvironment environment{status, window, {}};

    // From "Root" the drive's FAT in use is preselected, from "Deleted" no FAT.
    struct TCase {
        bool DeletedMode;
        int Preselected;
    };
    for (const TCase& c : {TCase{false, 1}, TCase{true, 0}}) {
        int preselected = -1;
        WhenModal([&](QDialog& dialog) {
            preselected = window.ComboBoxFAT->currentIndex();
            dialog.reject();
        });
        const fat::TSaveReport report = fat::SaveItems(drive, list, c.DeletedMode, environment);
        QCOMPARE(preselected, c.Preselected);
        QCOMPARE(report.FilesSaved, uint64_t{0});
    }

    WhenModal([&](QDialog&) {
        window.ComboBoxFAT->setCurrentIndex(2);
        window.Button1->click();
    });
    const fat::TSaveReport report = fat::SaveItems(drive, list, false, environment);
    QCOMPARE(report.FilesSaved, uint64_t{1});
    QCOMPARE(window.SelectedFAT, 2);
    const std::vector<std::byte> bytes = test::ReadWholeFile(destination.File("B.TXT"));
    QCOMPARE(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
             std::string("hello"));
}

void TCommandTest::FindStartBuildsThePatternAndLocksTheName() {
    app::TFindDialogWindow window;
    window.EditName->setText("report"); // the previous search's text stays
    window.ListBoxFound->addItem("old hit");
    window.LabelHits->setText("1");
    window.LabelScanning->setText("\\OLD");

    bool clearedAndFree = false;
    WhenWaiting(window, [&] {
        clearedAndFree = window.isVisible() && !window.isModal() &&
                         window.ListBoxFound->count() == 0 && window.LabelHits->text().isEmpty() &&
                         window.LabelScanning->text().isEmpty() && window.EditName->isEnabled() &&
                         window.ButtonStart->isEnabled() && window.EditName->text() == "report";
        QTest::keyClick(window.EditName, Qt::Key_Return); // Start is the default button
    });
    QVERIFY(window.Execute());
    QVERIFY(clearedAndFree);
    QCOMPARE(window.Pattern, std::string("*report*"));
    QVERIFY(window.Started && !window.Stopped);
    QVERIFY(!window.EditName->isEnabled());
    QVERIFY(!window.ButtonStart->isEnabled());
    QVERIFY2(window.isVisible(), "the search shows its progress in the dialog");

    // Stop during the search only sets Stopped; the search hides the dialog.
    window.ButtonCancel->click();
    QVERIFY(window.Stopped);
    QVERIFY(window.isVisible());
    window.Hide();

    // The next search unlocks the edit again.
    bool unlocked = false;
    WhenWaiting(window, [&] {
        unlocked = window.EditName->isEnabled() && window.ButtonStart->isEnabled() &&
                   !window.Started && !window.Stopped;
        window.EditName->setText("*.txt");
        window.ButtonStart->click();
    });
    QVERIFY(window.Execute());
    QVERIFY(unlocked);
    QCOMPARE(window.Pattern, std::string("*.txt"));
}

void TCommandTest::FindStopEscapeAndCloseBoxEndTheWaitAsStop() {
    struct TCase {
        const char* Name;
        std::function<void(app::TFindDialogWindow&)> Stop;
    };
    const TCase cases[] = {
        {"Stop button", [](app::TFindDialogWindow& w) { w.ButtonCancel->click(); }},
        {"Escape", [](app::TFindDialogWindow& w) { QTest::keyClick(w.EditName, Qt::Key_Escape); }},
        {"close box", [](app::TFindDialogWindow& w) { w.close(); }},
    };
    for (const TCase& c : cases) {
        app::TFindDialogWindow window;
        bool stoppedAtOnce = false;
        WhenWaiting(window, [&] {
            c.Stop(window);
            stoppedAtOnce = window.Stopped;
        });
        QVERIFY2(!window.Execute(), c.Name);
        QVERIFY2(stoppedAtOnce && !window.Started, c.Name);
        QVERIFY2(window.isHidden(), c.Name);
    }
}

void TCommandTest::FindQuittingTheApplicationEndsTheWait() {
    app::TFindDialogWindow window;
    bool returned = false;
    bool result = true;
    bool rescued = false;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
        result = window.Execute();
        returned = true;
    });
    // Should the quit not end the wait, Stop does, so that the test ends and fails.
    QTimer::singleShot(10000, [&] {
        rescued = true;
        window.ButtonCancel->click();
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    QVERIFY(returned);
    QVERIFY(!rescued);
    QVERIFY(!result);
    QVERIFY(window.Stopped);
    QVERIFY(window.isHidden());
}

void TCommandTest::FindKeepsTheNewestFiveHitsInView() {
    app::TFindDialogWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QListWidget* list = window.ListBoxFound;
    const QRect viewport = list->viewport()->rect();
    for (int n = 1; n <= 9; ++n) {
        window.AddHit("hit " + std::to_string(n));
        QCOMPARE(window.LabelHits->text(), QString::number(n));
        for (int row = std::max(0, n - 5); row < n; ++row) {
            QVERIFY2(viewport.contains(list->visualItemRect(list->item(row))),
                     qPrintable(QString("hit %1 of %2 is out of view").arg(row + 1).arg(n)));
        }
    }
    QVERIFY2(!viewport.intersects(list->visualItemRect(list->item(0))), "older hits scroll away");
    QCOMPARE(list->item(8)->text(), QString("hit 9"));
}

void TCommandTest::FindByNameThroughTheWindow() {
    TWorld world;
    fat::TFATdrive& drive = world.Drive();
    app::TFindDialogWindow window;

    struct TCase {
        const char* Typed;
        QStringList Hits;
    };
    const TCase cases[] = {
        {"report", {"Report.doc", "my_report", "REPORT.TXT"}},
        {"*.txt", {"REPORT.TXT", "A.TXT", "B.TXT", "Notes.txt"}},
        {"a?txt", {"A.TXT", "a.txt.bak"}}, // no dot: *a?txt*
        {"",
         {"Report.doc", "my_report", "REPORT.TXT", "A.TXT", "B.TXT", "a.txt.bak", "DOCS",
          "Notes.txt"}},
    };
    for (const TCase& c : cases) {
        WhenWaiting(window, [&] {
            window.EditName->clear();
            QTest::keyClicks(window.EditName, c.Typed);
            window.ButtonStart->click();
        });
        QVERIFY2(fat::FindByName(drive, window), c.Typed);
        QCOMPARE(Sorted(Texts(window.ListBoxFound)), Sorted(c.Hits));
        QCOMPARE(Sorted(DisplayNames(*drive.SearchedDir)), Sorted(c.Hits));
        QCOMPARE(window.LabelHits->text(),
                 c.Hits.isEmpty() ? QString() : QString::number(c.Hits.size()));
        QVERIFY2(window.isHidden(), c.Typed);
    }

    // Stop before Start leaves the last results.
    WhenWaiting(window, [&] { window.ButtonCancel->click(); });
    QVERIFY(!fat::FindByName(drive, window));
    QCOMPARE(drive.SearchedDir->Children->size(), size_t{8});
}

void TCommandTest::FindCloseBoxDuringTheWalkKeepsTheHitsSoFar() {
    TWorld world;
    fat::TFATdrive& drive = world.Drive();
    app::TFindDialogWindow window;
    WhenWaiting(window, [&] {
        window.EditName->clear();
        window.ButtonStart->click();
        // Reaches the dialog at the search's first PumpMessages.
        QTimer::singleShot(0, &window, [&window] { window.close(); });
    });
    QVERIFY(fat::FindByName(drive, window));
    QVERIFY(window.Stopped);
    QVERIFY(window.isHidden());
    QVERIFY(drive.SearchedDir->Children->size() < size_t{8});
    QCOMPARE(DisplayNames(*drive.SearchedDir), Texts(window.ListBoxFound));
}

void TCommandTest::PropertiesRefuseOKUntilBothNumbersAreUnsigned32() {
    struct TCase {
        const char* Cluster;
        const char* Size;
        bool Accepted;
        uint32_t ClusterRead = 7;
        uint32_t SizeRead = 8;
    };
    const TCase cases[] = {
        {"12", "34", true, 12, 34},
        {"4294967295", "0", true, 4294967295u, 0},
        {"0004294967295", "007", true, 4294967295u, 7},
        {"4294967296", "0", false},
        {"0", "99999999999999999999", false},
        {"", "1", false},
        {"1", "", false},
        {"-1", "1", false},
        {"+1", "1", false},
        {" 1", "1", false},
        {"1a", "1", false},
        {"0x10", "1", false},
        {"1", "1.5", false},
        {"1", "\u0663", false}, // ARABIC-INDIC DIGIT THREE
    };
    app::TItemPropertiesDialog dialog;
    for (const TCase& c : cases) {
        const QString what = QString("cluster '%1', size '%2'").arg(c.Cluster, c.Size);
        dialog.ItemCluster = 7;
        dialog.ItemSize = 8;
        bool enabled = !c.Accepted;
        bool stayed = false;
        WhenModal([&](QDialog&) {
            QVERIFY(dialog.OKBtn->isEnabled());
            dialog.EditCluster->setText(QString::fromUtf8(c.Cluster));
            dialog.EditSize->setText(QString::fromUtf8(c.Size));
            enabled = dialog.OKBtn->isEnabled();
            QTest::keyClick(dialog.EditName, Qt::Key_Return);
            stayed = dialog.isVisible();
            if (stayed) {
                dialog.accept(); // refused as well while the numbers do not read
                stayed = dialog.isVisible();
            }
        });
        QCOMPARE(dialog.Execute(), c.Accepted);
        QVERIFY2(enabled == c.Accepted, qPrintable(what));
        QVERIFY2(stayed == !c.Accepted, qPrintable(what));
        QVERIFY2(dialog.ItemCluster == c.ClusterRead && dialog.ItemSize == c.SizeRead,
                 qPrintable(what));
    }
}

void TCommandTest::PropertiesReturnTheEditsOnlyOnOK() {
    app::TItemPropertiesDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("Item properties"));
    dialog.ItemName = "OLD.TXT";
    dialog.ItemCluster = 4294967295u;
    dialog.ItemSize = 0;

    QStringList shown;
    WhenModal([&](QDialog&) {
        shown = {dialog.EditName->text(), dialog.EditCluster->text(), dialog.EditSize->text()};
        dialog.EditName->setText("NEW.TXT");
        dialog.EditCluster->setText("3");
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QVERIFY(!dialog.Execute());
    QCOMPARE(shown, (QStringList{"OLD.TXT", "4294967295", "0"}));
    QCOMPARE(dialog.ItemName, std::string("OLD.TXT"));
    QCOMPARE(dialog.ItemCluster, 4294967295u);

    WhenModal([&](QDialog&) {
        shown = {dialog.EditName->text(), dialog.EditCluster->text()};
        dialog.EditName->setText(QString::fromUtf8("新文件.txt"));
        dialog.EditCluster->setText("3");
        dialog.EditSize->setText("4096");
        dialog.OKBtn->click();
    });
    QVERIFY(dialog.Execute());
    QCOMPARE(shown, (QStringList{"OLD.TXT", "4294967295"})) /* every showing starts afresh */;
    QCOMPARE(dialog.ItemName, std::string("新文件.txt"));
    QCOMPARE(dialog.ItemCluster, 3u);
    QCOMPARE(dialog.ItemSize, 4096u);
}

void TCommandTest::EditPropertiesWritesFileAndFolder() {
    TFolderFixture f;
    auto& deleted = static_cast<fat::TFATFile&>(*f.Row(2).Data);
    const std::string shownName = devices::ReplaceDeletedChar(deleted);

    // A deleted file confirmed as it is keeps its deleted-character text for good.
    QStringList shown;
    WhenModal([&](QDialog& dialog) {
        shown = {dialog.findChild<QLineEdit*>("EditName")->text(),
                 dialog.findChild<QLineEdit*>("EditCluster")->text(),
                 dialog.findChild<QLineEdit*>("EditSize")->text()};
        dialog.findChild<QLineEdit*>("EditCluster")->setText("77");
        dialog.findChild<QLineEdit*>("EditSize")->setText("99");
        dialog.accept();
    });
    QVERIFY(app::EditProperties(nullptr, f.Row(2)));
    QCOMPARE(shown, (QStringList{QString::fromStdString(shownName), "5", "1234"}));
    QCOMPARE(deleted.Name, shownName);
    QVERIFY(!deleted.FirstCharLost);
    QCOMPARE(deleted.FirstCluster, 77u);
    QCOMPARE(deleted.Size, 99u);
    QCOMPARE(f.Row(2).Caption, shownName);
    QCOMPARE(f.Row(2).SubItems[0], std::string("99"));
    QCOMPARE(f.Row(2).SubItems[2], std::string("77"));

    // A folder shows size 0, and a size typed for it goes nowhere.
    auto& docs = static_cast<fat::TFATDirectory&>(*f.Row(3).Data);
    WhenModal([&](QDialog& dialog) {
        shown = {dialog.findChild<QLineEdit*>("EditSize")->text()};
        dialog.findChild<QLineEdit*>("EditName")->setText("PAPERS");
        dialog.findChild<QLineEdit*>("EditCluster")->setText("12");
        dialog.findChild<QLineEdit*>("EditSize")->setText("500");
        dialog.accept();
    });
    QVERIFY(app::EditProperties(nullptr, f.Row(3)));
    QCOMPARE(shown, QStringList{"0"});
    QCOMPARE(docs.Name, std::string("PAPERS"));
    QCOMPARE(docs.FirstCluster, 12u);
    QCOMPARE(f.Row(3).Caption, std::string("PAPERS"));
    QCOMPARE(f.Row(3).SubItems[0], std::string());

    // Cancel changes nothing; a row without an item shows no dialog.
    WhenModal([&](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("EditName")->setText("X");
        dialog.reject();
    });
    QVERIFY(!app::EditProperties(nullptr, f.Row(0)));
    QCOMPARE(f.Row(0).Data->Name, std::string("A.TXT"));
    devices::TListItem empty;
    QVERIFY(!app::EditProperties(nullptr, empty));
}

void TCommandTest::RenameReportsAClashWithTheOldName() {
    struct TCase {
        int Row;
        std::string Typed;
    };
    TFolderFixture probe;
    const std::string deletedShown = devices::ReplaceDeletedChar(*probe.Row(2).Data);
    const TCase cases[] = {
        {0, "DOCS"},       // a sibling folder
        {3, "b.txt"},      // a sibling file, from a folder
        {0, deletedShown}, // a deleted sibling by its display name
        {0, "A.TXT"},      // unchanged: the item clashes with itself
        {2, deletedShown},
    };
    for (const TCase& c : cases) {
        TFolderFixture f;
        devices::TListItem& row = f.Row(c.Row);
        const std::string oldShown = devices::ReplaceDeletedChar(*row.Data);
        const std::string oldName = row.Data->Name;
        test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
        std::string name = c.Typed;
        QVERIFY2(!app::RenameItem(f.List, row, name), c.Typed.c_str());
        QCOMPARE(name, oldShown);
        QCOMPARE(row.Caption, oldShown);
        QCOMPARE(row.Data->Name, oldName);
        QCOMPARE(prompter.Shown().size(), size_t{1});
        const platform::TPrompt& prompt = prompter.Shown().front();
        QCOMPARE(prompt.Text, oldShown + " cannot be renamed: an item with this name already "
                                         "exists. Please choose another name.");
        QVERIFY(prompt.Icon == platform::TPromptIcon::piInformation);
        QVERIFY(prompt.Buttons == platform::TPromptButtons::pbOK);
    }
}

void TCommandTest::RenameAcceptsANewName() {
    test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
    {
        // Another letter case is another name.
        TFolderFixture f;
        std::string name = "B.TXT";
        QVERIFY(app::RenameItem(f.List, f.Row(0), name));
        QCOMPARE(f.Row(0).Data->Name, std::string("B.TXT"));
        QCOMPARE(f.Row(0).Caption, std::string("B.TXT"));
    }
    {
        // A deleted file's lost first character is no longer put before the new name.
        TFolderFixture f;
        std::string name = "README.TXT";
        QVERIFY(app::RenameItem(f.List, f.Row(2), name));
        QCOMPARE(f.Row(2).Data->Name, std::string("README.TXT"));
        QVERIFY(!f.Row(2).Data->FirstCharLost);
        QCOMPARE(f.Row(2).Caption, std::string("README.TXT"));
        QCOMPARE(f.Row(2).SubItems[0], std::string("1234"));
    }
    {
        // Without an item or a parent folder nothing is renamed and nothing asked.
        TFolderFixture f;
        std::string name = "X";
        devices::TListItem empty;
        QVERIFY(!app::RenameItem(f.List, empty, name));
        f.Row(1).Data->Parent = nullptr;
        QVERIFY(!app::RenameItem(f.List, f.Row(1), name));
        QCOMPARE(f.Row(1).Data->Name, std::string("b.txt"));
        QCOMPARE(name, std::string("X"));
    }
    QVERIFY(prompter.Shown().empty());
}

QTEST_MAIN(TCommandTest)
#include "command_test.moc"
