#include "app/help.h"
#include "app/system_info_dialog.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <functional>

using namespace tw;
using app::TDialogSystemInfo;
using platform::TDriveKind;

namespace {

QStringList Headers(QTreeWidget* list) {
    QStringList captions;
    for (int i = 0; i < list->columnCount(); ++i) {
        captions << list->headerItem()->text(i) + " " + QString::number(list->columnWidth(i));
    }
    return captions;
}

/// Each row as "caption|sub-item|…" over all columns.
QStringList Rows(QTreeWidget* list) {
    QStringList rows;
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c) {
            cells << list->topLevelItem(r)->text(c);
        }
        rows << cells.join('|');
    }
    return rows;
}

QStringList Captions(QTreeWidget* list) {
    QStringList captions;
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        captions << list->topLevelItem(r)->text(0);
    }
    return captions;
}

platform::TSystemFacts FixtureFacts() {
    platform::TSystemFacts facts;
    facts.ProcessorCount = 4;
    facts.Os = platform::TOsName{"Linux", "6.1.0-18-amd64", "x86_64"};
    facts.Cpu.Family = 15;
    facts.CpuSpeedHz = 2'096'008'000;
    facts.PhysicalMemoryBytes = 8ull << 30;
    facts.SwapTotalBytes = 1ull << 30;
    facts.Drives = {
        {"/", "SYSTEM", "ext4", TDriveKind::dkFixed, true, 4096, 262144 * 40, 262144 * 3 / 2},
        {"/media/cdrom", "DVD", "iso9660", TDriveKind::dkCDROM, false, 0, 0, 0},
        {"/srv/odd", "", "weird", TDriveKind::dkUnknown, false, 0, 0, 0},
    };
    facts.Environment = {"PATH=C:\\WINDOWS;C:\\BIN", "=C:=C:\\"};
    return facts;
}

/// Runs action on the modal window that the next statement opens, then closes whatever of it
/// is still open, so a failed check cannot hang the test.
void WhenModal(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        action(modal);
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->done(QDialog::Rejected);
        }
    });
}

} // namespace

class TSystemInfoTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        // Fixed separators, so that the size texts do not depend on the machine's locale.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void pagesAndColumnsKeepTheirCaptions() {
        TDialogSystemInfo dialog(FixtureFacts());
        QCOMPARE(dialog.windowTitle(), QString("System Information"));
        QStringList tabs;
        for (int i = 0; i < dialog.PageControl1->count(); ++i) {
            tabs << dialog.PageControl1->tabText(i);
            QVERIFY(!dialog.PageControl1->tabIcon(i).isNull());
        }
        QCOMPARE(tabs, QStringList({"Hardware", "Software", "Drives", "Environment"}));
        QCOMPARE(Headers(dialog.ListView1), QStringList({"Parameter 130", "Value 280"}));
        QCOMPARE(Headers(dialog.ListView2), QStringList({"Parameter 130", "Value 280"}));
        QCOMPARE(Headers(dialog.ListView3),
                 QStringList({"Name 150", "File system 80", "Total size 90", "Free space 90"}));
        QCOMPARE(Headers(dialog.ListView4), QStringList({"Variable 150", "Value 400"}));
        for (int column : {2, 3}) {
            QVERIFY(dialog.ListView3->headerItem()->textAlignment(column) & Qt::AlignRight);
            QVERIFY(dialog.ListView3->topLevelItem(0)->textAlignment(column) & Qt::AlignRight);
        }
        QCOMPARE(dialog.Button1->text(), QString("OK"));
        QVERIFY(dialog.Button1->isDefault());
    }

    void rowsShowTheFactsWithTheScreenFromQt() {
        TDialogSystemInfo dialog(FixtureFacts());
        const QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const QSize pixels = screen->size() * screen->devicePixelRatio();
        const QString display = QString("%1x%2, %3-bits(%4 colors)")
                                    .arg(pixels.width())
                                    .arg(pixels.height())
                                    .arg(screen->depth())
                                    .arg(QString::number(1ull << screen->depth()));
        QCOMPARE(Rows(dialog.ListView1), QStringList({
                                             "Number of processors:|4",
                                             "CPU type:|Intel",
                                             "Display resolution:|" + display,
                                             "Installed RAM:|8388608 KB",
                                             "Frequency:|2096 MHz",
                                         }));
        QCOMPARE(Rows(dialog.ListView2), QStringList({
                                             "Windows version:|6.1 (Build 0)",
                                             "Windows mode:|Linux",
                                             "Swap file size:|1024 MB",
                                         }));
        QCOMPARE(Rows(dialog.ListView3), QStringList({
                                             "/ SYSTEM|ext4|40.00 GB|1.50 GB",
                                             "/media/cdrom |||",
                                             "/srv/odd |weird||",
                                         }));
        QVERIFY(!dialog.ListView3->topLevelItem(0)->icon(0).isNull());
        QVERIFY(!dialog.ListView3->topLevelItem(1)->icon(0).isNull());
        QVERIFY(dialog.ListView3->topLevelItem(2)->icon(0).isNull());
        QCOMPARE(Rows(dialog.ListView4), QStringList({"PATH|C:\\WINDOWS;C:\\BIN", "|C:=C:\\"}));
    }

    void sizesUseTheLocalesSeparators() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        platform::TSystemFacts facts;
        facts.Drives = {{"/data", "", "xfs", TDriveKind::dkFixed, true, 1024, 1023 * 1024, 0}};
        TDialogSystemInfo dialog(facts);
        QCOMPARE(Rows(dialog.ListView3), QStringList({"/data |xfs|1.023,00 MB|0,00 MB"}));
    }

    void factsWithoutACounterpartLeaveTheirRowsOut() {
        platform::TSystemFacts facts = FixtureFacts();
        facts.NTFamily = false; // the 9x family has no clock row
        facts.SwapTotalBytes.reset();
        facts.Os.reset();
        TDialogSystemInfo dialog(facts);
        QCOMPARE(Captions(dialog.ListView1),
                 QStringList({"Number of processors:", "CPU type:", "Display resolution:",
                              "Installed RAM:"}));
        QVERIFY(Captions(dialog.ListView2).isEmpty());

        TDialogSystemInfo full(FixtureFacts());
        // Linux has no Windows folder and no system folder.
        QVERIFY(!Captions(full.ListView2).contains("Windows directory:"));
        QVERIFY(!Captions(full.ListView2).contains("System directory:"));
    }

    void thisMachinesFactsAreReadOnceWhenTheDialogIsMade() {
        qputenv("TW_SYSINFO_PROBE", "C:\\WINDOWS;C:\\BIN");
        TDialogSystemInfo dialog;
        qunsetenv("TW_SYSINFO_PROBE");
        QVERIFY(Rows(dialog.ListView4).contains("TW_SYSINFO_PROBE|C:\\WINDOWS;C:\\BIN"));
        QVERIFY(!dialog.ListView3->findItems("/ ", Qt::MatchStartsWith).isEmpty());
        // A later showing presents the same rows: nothing is read again.
        const QStringList before = Rows(dialog.ListView4);
        WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
        QVERIFY(dialog.Execute());
        QCOMPARE(Rows(dialog.ListView4), before);
    }

    void okAndEscAnswerTrueTheCloseBoxFalse() {
        TDialogSystemInfo dialog(FixtureFacts());
        WhenModal([&](QWidget*) { QTest::mouseClick(dialog.Button1, Qt::LeftButton); });
        QVERIFY(dialog.Execute());
        WhenModal([&](QWidget*) { QTest::keyClick(dialog.ListView1, Qt::Key_Escape); });
        QVERIFY(dialog.Execute());
        WhenModal([&](QWidget*) { dialog.close(); });
        QVERIFY(!dialog.Execute());
    }

    void helpOpensTheFirstManualFound() {
        QTemporaryDir dir;
        const QString missing = dir.filePath("missing/manual.html");
        const QString present = dir.filePath("manual.html");
        QFile file(present);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html></html>");
        file.close();

        QList<QUrl> opened;
        const auto opener = [&](const QUrl& url) {
            opened << url;
            return true;
        };
        QVERIFY(app::OpenHelp(nullptr, {missing, present}, opener));
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(present)}));

        // A folder of that name is no manual.
        QVERIFY(QDir(dir.path()).mkpath("folder/manual.html"));
        QCOMPARE(app::FindManual({dir.filePath("folder/manual.html"), present}), present);
    }

    void helpSaysSoWhenTheManualIsMissingOrCannotBeOpened() {
        QTemporaryDir dir;
        const QString missing = dir.filePath("manual.html");
        int calls = 0;
        QString message;
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            QCOMPARE(box->icon(), QMessageBox::Information);
            message = box->text();
        });
        QVERIFY(!app::OpenHelp(nullptr, {missing}, [&](const QUrl&) {
            ++calls;
            return true;
        }));
        QCOMPARE(calls, 0);
        QVERIFY2(message.contains(missing), qPrintable(message));

        QFile file(missing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        message.clear();
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            message = box->text();
        });
        QVERIFY(!app::OpenHelp(nullptr, {missing}, [&](const QUrl&) {
            ++calls;
            return false;
        }));
        QCOMPARE(calls, 1);
        QVERIFY2(message.contains("could not be opened"), qPrintable(message));
    }

    void theShippedManualIsFoundAndSelfContained() {
        const QString manual = app::FindManual(app::ManualPaths());
        QVERIFY2(manual.endsWith("/docs/manual.html"), qPrintable(manual));
        QFile file(manual);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll()).toLower();
        QVERIFY(html.contains("<title>"));
        QVERIFY(!html.contains("<script"));
        QVERIFY(!html.contains("javascript:"));
        // Nothing is fetched from elsewhere: no remote address anywhere in the page.
        QVERIFY(!html.contains("http://"));
        QVERIFY(!html.contains("https://"));
        QVERIFY(!html.contains("src=\"//"));
        // The toolbar is described by its own captions.
        for (const char* caption : {"打开磁盘", "恢复数据", "搜索数据", "深度恢复"}) {
            QVERIFY2(html.contains(QString::fromUtf8(caption)), caption);
        }
    }
};

QTEST_MAIN(TSystemInfoTest)
#include "sysinfo_test.moc"
