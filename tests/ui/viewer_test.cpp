#include "diskio/status_dialog.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/hex_layout.h"
#include "fat/session.h"
#include "platform/text_codec.h"
#include "support/image_tools.h"
#include "ui/hex_dump.h"
#include "ui/rtf_text.h"
#include "ui/viewer_dialog.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

using namespace tw;
using test::Quote;

namespace {

const std::string Mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
constexpr int DataBytes = 5000;

/// A floppy made by mkfs.fat with files copied on by mtools: DATA.BIN (byte i is i mod 251,
/// across three 2048-byte blocks), SECOND.BIN (40 bytes) and the text files.
struct TImage {
    test::TTempDir Dir;
    std::string Path = Dir.File("floppy.img");

    bool Put(const std::string& name, const std::string& bytes) {
        const std::string file = Dir.File(name);
        std::vector<std::byte> data(bytes.size());
        std::memcpy(data.data(), bytes.data(), bytes.size());
        test::WriteWholeFile(file, data);
        return test::Run(Mtools + "mcopy -i " + Quote(Path) + " " + Quote(file) + " ::" + name);
    }
    bool Make() {
        std::string pattern;
        for (int i = 0; i < DataBytes; ++i) {
            pattern += static_cast<char>(i % 251);
        }
        using namespace std::string_literals;
        return test::MakeFloppyImage(Path) && Put("DATA.BIN", pattern) &&
               Put("SECOND.BIN", pattern.substr(0, 40)) &&
               Put("UTF8.TXT", "h\xC3\xA9llo\r\nline 2\n\xE4\xB8\xAD") &&
               Put("GBK.TXT", "\xC4\xE3\xBA\xC3\r\n") && Put("NUL.TXT", "a\0b"s) &&
               Put("DOC.RTF", "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier;}}plain \\b bold\\b0  end}") &&
               Put("EMPTY.TXT", "");
    }
};

TImage* g_Image = nullptr;

/// The image attached and scanned, and its drive.
struct TWorld {
    test::TDeviceTableScope Scope;
    fat::TRecoverySession Session;
    fat::TFATdrive* Drive = nullptr;

    TWorld() {
        Scope.AttachFile(g_Image->Path);
        diskio::TStatusDialog status;
        Session.DetectAll(status);
        if (Session.DriveList.Count() > 0) {
            Drive = static_cast<fat::TFATdrive*>(Session.DriveList.Items(0));
        }
    }
    fat::TFATFile& File(const std::string& name) {
        bool deletedMode = false;
        auto* item = Drive ? fat::FindItemByPath(*Drive, "Root\\" + name, deletedMode) : nullptr;
        if (!item || item->IsDirectory()) {
            qFatal("no file %s", name.c_str());
        }
        return static_cast<fat::TFATFile&>(*item);
    }
};

/// Runs action once the modal dialog is showing, painted and active; a dialog that action
/// left open (a failed check returns early) is closed, so no test hangs.
void WhenShown(QDialog& dialog, std::function<void()> action) {
    QTimer::singleShot(0, &dialog, [&dialog, action = std::move(action)] {
        if (QTest::qWaitForWindowActive(&dialog)) {
            QCoreApplication::processEvents();
            action();
        }
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
}

/// The regions painted on a widget.
class TPaintLog : public QObject {
public:
    explicit TPaintLog(QWidget* widget) { widget->installEventFilter(this); }
    QRegion Painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            Painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

/// The pixels of a widget as the window shows them once pending paints are done (kept and
/// moved ones included), next to a fresh painting of it.
bool ScreenMatchesFreshPaint(QWidget* widget) {
    QCoreApplication::processEvents();
    QWidget* window = widget->window();
    const QPoint at = widget->mapTo(window, QPoint(0, 0));
    const QImage shown =
        window->screen()
            ->grabWindow(window->winId(), at.x(), at.y(), widget->width(), widget->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    const QImage fresh = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return !shown.isNull() && shown == fresh;
}

/// A source over bytes held in memory; reads from FailFrom on deliver nothing.
class TMemorySource final : public fat::THexByteSource {
public:
    explicit TMemorySource(std::string bytes) : m_Bytes(std::move(bytes)) {}
    [[nodiscard]] uint64_t SizeBytes() const override { return m_Bytes.size(); }
    uint64_t ReadAt(uint64_t offset, std::span<std::byte> out) override {
        const uint64_t end = std::min<uint64_t>({offset + out.size(), m_Bytes.size(), FailFrom});
        if (end <= offset) {
            return 0;
        }
        std::memcpy(out.data(), m_Bytes.data() + offset, end - offset);
        return end - offset;
    }
    uint64_t FailFrom = UINT64_MAX;

private:
    std::string m_Bytes;
};

ui::TStyledRun Plain(const char* text) {
    return {text};
}
ui::TStyledRun Bold(const char* text) {
    return {text, true};
}

} // namespace

namespace tw::ui {
/// Runs as QCOMPARE prints them: [text|bold italic underline]...
char* toString(const std::vector<TStyledRun>& runs) {
    QString text;
    for (const TStyledRun& run : runs) {
        text += QString("[%1|%2%3%4]")
                    .arg(QString::fromStdString(run.Text))
                    .arg(run.Bold ? "b" : "")
                    .arg(run.Italic ? "i" : "")
                    .arg(run.Underline ? "u" : "");
    }
    return qstrdup(text.toUtf8().constData());
}
} // namespace tw::ui

Q_DECLARE_METATYPE(std::vector<ui::TStyledRun>)

class TViewerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void hexViewShowsTheFileAndLetsGoOfItOnClose();
    void scrollingByOneLineMovesPixelsAndPaintsTheNewRow();
    void keysMouseAndThumb();
    void aSecondFileStartsAtItsFirstLine();
    void textPage_data();
    void textPage();
    void richTextIsShownWithItsStyles();
    void decodeText_data();
    void decodeText();
    void rtfConverter_data();
    void rtfConverter();
    void loadCap();
};

void TViewerTest::initTestCase() {
    g_Image = new TImage;
    QVERIFY2(g_Image->Make(), "mkfs.fat and mtools make the image");
}

void TViewerTest::cleanupTestCase() {
    delete g_Image;
    g_Image = nullptr;
}

void TViewerTest::hexViewShowsTheFileAndLetsGoOfItOnClose() {
    TWorld world;
    QVERIFY(world.Drive);
    ui::TViewerDialog dialog;
    auto* hex = dialog.findChild<ui::THexDump*>("Hexdump1");
    auto* pages = dialog.findChild<QStackedWidget*>("Notebook1");
    QVERIFY(hex && pages);
    bool checked = false;
    WhenShown(dialog, [&] {
        QCOMPARE(dialog.windowTitle(), QString("View as hex: DATA.BIN"));
        QCOMPARE(pages->currentWidget()->objectName(), QString("hex"));
        QVERIFY(hex->isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(hex));
        const fat::THexLayout& layout = hex->Layout();
        QCOMPARE(layout.DataSize(), uint64_t{DataBytes});
        QCOMPARE(layout.LineCount(),
                 int64_t{(DataBytes + layout.BytesPerLine() - 1) / layout.BytesPerLine()});
        QCOMPARE(hex->verticalScrollBar()->maximum(), 65535);
        QVERIFY(ScreenMatchesFreshPaint(hex->viewport()));
        QTest::keyClick(hex, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        checked = true;
    });
    dialog.ViewAsHex(*world.Drive, world.File("DATA.BIN"), world.Drive->FATInUse);
    QVERIFY(checked);
    QVERIFY(!hex->Layout().HasData());
}

void TViewerTest::scrollingByOneLineMovesPixelsAndPaintsTheNewRow() {
    TWorld world;
    ui::TViewerDialog dialog;
    auto* hex = dialog.findChild<ui::THexDump*>("Hexdump1");
    bool checked = false;
    WhenShown(dialog, [&] {
        const fat::THexLayout& layout = hex->Layout();
        const int height = hex->viewport()->height();
        const int lineHeight = layout.LineHeight();
        TPaintLog log(hex->viewport());
        // Down moves the unmarked cursor until it reaches the last full row.
        for (int i = 1; i < layout.VisibleLines() - 1; ++i) {
            QTest::keyClick(hex, Qt::Key_Down);
        }
        QCoreApplication::processEvents();
        QCOMPARE(layout.TopLine(), int64_t{0});
        QVERIFY(log.Painted.isEmpty());

        // Each further Down scrolls by one line, painting only the strip at the bottom;
        // Up past the top paints only the top row.
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(hex, Qt::Key_Down);
            QCoreApplication::processEvents();
            QCOMPARE(layout.TopLine(), int64_t{i + 1});
            QCOMPARE(log.Painted.boundingRect().top(), height - lineHeight);
            QVERIFY(ScreenMatchesFreshPaint(hex->viewport()));
            log.Painted = {};
        }
        QTest::keyClick(hex, Qt::Key_Home);
        QCoreApplication::processEvents();
        log.Painted = {};
        QTest::keyClick(hex, Qt::Key_End);
        QCoreApplication::processEvents();
        log.Painted = {};
        QCOMPARE(layout.CurrentLine(), layout.LineCount() - 1);
        for (int i = 0; i < layout.VisibleLines() - 2; ++i) {
            QTest::keyClick(hex, Qt::Key_Up);
        }
        QTest::keyClick(hex, Qt::Key_Up);
        QCoreApplication::processEvents();
        QCOMPARE(log.Painted.boundingRect().top(), 0);
        QCOMPARE(log.Painted.boundingRect().bottom(), lineHeight - 1);
        QVERIFY(ScreenMatchesFreshPaint(hex->viewport()));
        checked = true;
    });
    dialog.ViewAsHex(*world.Drive, world.File("DATA.BIN"), world.Drive->FATInUse);
    QVERIFY(checked);
}

void TViewerTest::keysMouseAndThumb() {
    TWorld world;
    ui::TViewerDialog dialog;
    auto* hex = dialog.findChild<ui::THexDump*>("Hexdump1");
    bool checked = false;
    WhenShown(dialog, [&] {
        const fat::THexLayout& layout = hex->Layout();
        const int visible = layout.VisibleLines();
        QTest::keyClick(hex, Qt::Key_PageDown);
        QCOMPARE(layout.CurrentLine(), int64_t{visible});
        QCOMPARE(layout.TopLine(), int64_t{2});
        QTest::keyClick(hex, Qt::Key_End);
        QCOMPARE(layout.CurrentLine(), layout.LineCount() - 1);
        QCOMPARE(layout.TopLine(), layout.LineCount() - visible + 1);
        QTest::keyClick(hex, Qt::Key_Left); // nothing
        QTest::keyClick(hex, Qt::Key_Home);
        QCOMPARE(layout.CurrentLine(), int64_t{0});
        QCOMPARE(layout.TopLine(), int64_t{0});

        QTest::mouseClick(hex->viewport(), Qt::LeftButton, {},
                          QPoint(5, 2 * layout.LineHeight() + 1));
        QCOMPARE(layout.CurrentLine(), int64_t{2});

        // The thumb at the bottom shows the last line at the top, with its own bytes.
        QScrollBar* bar = hex->verticalScrollBar();
        bar->setSliderPosition(65535);
        QCOMPARE(layout.TopLine(), layout.LineCount() - 1);
        QCOMPARE(bar->value(), layout.ScrollBoxPosition());
        fat::THexLayout reader = layout; // reads through the same stream
        QString expected;
        for (int64_t i = layout.TopLine() * layout.BytesPerLine(); i < DataBytes; ++i) {
            expected += QString(expected.isEmpty() ? "%1" : "\t%1")
                            .arg(i % 251, 2, 16, QLatin1Char('0'))
                            .toUpper();
        }
        QCOMPARE(QString::fromStdString(reader.HexText(layout.TopLine())), expected);
        QVERIFY(ScreenMatchesFreshPaint(hex->viewport()));
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(layout.TopLine(), layout.LineCount() - 2);
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(layout.TopLine(), layout.LineCount() - 2);
        checked = true;
    });
    dialog.ViewAsHex(*world.Drive, world.File("DATA.BIN"), world.Drive->FATInUse);
    QVERIFY(checked);
}

void TViewerTest::aSecondFileStartsAtItsFirstLine() {
    TWorld world;
    ui::TViewerDialog dialog;
    auto* hex = dialog.findChild<ui::THexDump*>("Hexdump1");
    WhenShown(dialog, [&] { QTest::keyClick(hex, Qt::Key_End); });
    dialog.ViewAsHex(*world.Drive, world.File("DATA.BIN"), world.Drive->FATInUse);

    bool checked = false;
    WhenShown(dialog, [&] {
        const fat::THexLayout& layout = hex->Layout();
        QCOMPARE(layout.TopLine(), int64_t{0});
        QCOMPARE(layout.CurrentLine(), int64_t{0});
        QCOMPARE(layout.DataSize(), uint64_t{40});
        QCOMPARE(hex->verticalScrollBar()->value(), 0);
        QVERIFY(ScreenMatchesFreshPaint(hex->viewport()));
        checked = true;
    });
    dialog.ViewAsHex(*world.Drive, world.File("SECOND.BIN"), 0);
    QVERIFY(checked);
}

void TViewerTest::textPage_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shown");
    QTest::newRow("UTF-8, CR LF as one line end") << "UTF8.TXT" << QString("héllo\nline 2\n中");
    QTest::newRow("CP936") << "GBK.TXT" << QString("你好\n");
    QTest::newRow("NUL") << "NUL.TXT" << QString("a\u2400b");
    QTest::newRow("empty") << "EMPTY.TXT" << QString();
}

void TViewerTest::textPage() {
    QFETCH(QString, file);
    QFETCH(QString, shown);
    TWorld world;
    ui::TViewerDialog dialog;
    auto* text = dialog.findChild<QPlainTextEdit*>("RichEdit1");
    auto* hex = dialog.findChild<ui::THexDump*>("Hexdump1");
    auto* pages = dialog.findChild<QStackedWidget*>("Notebook1");
    bool checked = false;
    WhenShown(dialog, [&] {
        QCOMPARE(dialog.windowTitle(), "View as text: " + file);
        QCOMPARE(pages->currentWidget()->objectName(), QString("text"));
        QCOMPARE(text->toPlainText(), shown);
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->textCursor().position(), 0);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(text));
        QVERIFY(!hex->isEnabled());
        QTest::keyClick(text, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        checked = true;
    });
    dialog.ViewAsText(*world.Drive, world.File(file.toStdString()), world.Drive->FATInUse);
    QVERIFY(checked);
    QVERIFY(!dialog.isVisible());
}

void TViewerTest::richTextIsShownWithItsStyles() {
    TWorld world;
    ui::TViewerDialog dialog;
    auto* text = dialog.findChild<QPlainTextEdit*>("RichEdit1");
    bool checked = false;
    WhenShown(dialog, [&] {
        QCOMPARE(text->toPlainText(), QString("plain bold end"));
        const QTextBlock block = text->document()->firstBlock();
        QList<QPair<QString, bool>> fragments;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            fragments.append(
                {it.fragment().text(), it.fragment().charFormat().fontWeight() == QFont::Bold});
        }
        const QList<QPair<QString, bool>> expected = {
            {"plain ", false}, {"bold", true}, {" end", false}};
        QCOMPARE(fragments, expected);
        checked = true;
    });
    dialog.ViewAsText(*world.Drive, world.File("DOC.RTF"), world.Drive->FATInUse);
    QVERIFY(checked);

    // As hex the same file shows its bytes from "{\rtf" on.
    auto* hex = dialog.findChild<ui::THexDump*>("Hexdump1");
    WhenShown(dialog, [&] {
        fat::THexLayout reader = hex->Layout(); // reads through the same stream
        QCOMPARE(QByteArray::fromStdString(reader.CharText(0)).left(5), QByteArray("{\\rtf"));
    });
    dialog.ViewAsHex(*world.Drive, world.File("DOC.RTF"), world.Drive->FATInUse);
}

void TViewerTest::decodeText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("cutShort");
    QTest::addColumn<QString>("shown");
    QTest::newRow("UTF-8") << QByteArray("gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD") << false
                           << QString("grüß 中");
    QTest::newRow("CP936") << QByteArray("\xC4\xE3\xBA\xC3") << false << QString("你好");
    QTest::newRow("overlong form is not UTF-8")
        << QByteArray("a\xC0\xAF") << false
        << QString::fromUtf8(platform::DecodeOemText("a\xC0\xAF"));
    QTest::newRow("NUL") << QByteArray("x\0y", 3) << false << QString("x\u2400y");
    QTest::newRow("line ends") << QByteArray("a\r\nb\rc\n") << false << QString("a\nb\nc\n");
    QTest::newRow("cut UTF-8 sequence dropped")
        << QByteArray("\xC3\xA9t\xE4\xB8") << true << QString("ét");
    QTest::newRow("unfinished sequence in full data")
        << QByteArray("ab\xE4\xB8") << false
        << QString::fromUtf8(platform::DecodeOemText("ab\xE4\xB8"));
}

void TViewerTest::decodeText() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, cutShort);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(ui::DecodeViewerText(bytes.toStdString(), cutShort)), shown);
}

void TViewerTest::rtfConverter_data() {
    using TRuns = std::vector<ui::TStyledRun>;
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<TRuns>("runs");
    QTest::newRow("plain text, tables and \\* left out")
        << QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255;}"
                      "{\\stylesheet{\\s0 Normal;}}{\\*\\generator Writer;}\\pard Hello,\\par\n"
                      "world\\line x\\tab y\\par}")
        << TRuns{Plain("Hello,\nworld\nx\ty\n")};
    QTest::newRow("bold run in a group and with \\b0")
        << QByteArray("{\\rtf1 a {\\b b}c\\b d\\b0 e\\i\\ul f\\plain g}")
        << TRuns{Plain("a "), Bold("b"),  Plain("c"),
                 Bold("d"),   Plain("e"), {"f", false, true, true},
                 Plain("g")};
    QTest::newRow("CP936 escapes, \\u with its fallback, surrogates")
        << QByteArray("{\\rtf1 \\'c4\\'e3\\u22909?\\uc2\\u20013\\'3f\\'3f!"
                      "\\uc1\\u-10179?\\u-8704?}")
        << TRuns{Plain("你好中!\xF0\x9F\x98\x80")};
    QTest::newRow("escapes, symbols, \\bin and unclosed groups")
        << QByteArray("{\\rtf1 \\{x\\}\\\\ \\emdash{\\pict\\bin4 }}}}} z}{\\b tail")
        << TRuns{Plain("{x}\\ \xE2\x80\x94 z"), Bold("tail")};
    QTest::newRow("unknown control words show nothing")
        << QByteArray("{\\rtf1\\fs24\\cf1\\lang2052 \\qc ok}") << TRuns{Plain("ok")};
}

void TViewerTest::rtfConverter() {
    QFETCH(QByteArray, rtf);
    QFETCH(std::vector<ui::TStyledRun>, runs);
    QVERIFY(ui::LooksLikeRtf(rtf.toStdString()));
    QCOMPARE(ui::RtfToStyledText(rtf.toStdString()), runs);
}

void TViewerTest::loadCap() {
    TMemorySource source("0123456789");
    ui::TViewerBytes capped = ui::ReadViewerBytes(source, 4);
    QCOMPARE(capped.Bytes, std::string("0123"));
    QVERIFY(capped.Truncated);
    QCOMPARE(ui::ViewerTextRuns(capped), std::vector<ui::TStyledRun>{Plain("0123\n[truncated]")});

    ui::TViewerBytes whole = ui::ReadViewerBytes(source, 10);
    QCOMPARE(whole.Bytes, std::string("0123456789"));
    QVERIFY(!whole.Truncated);
    QCOMPARE(ui::ViewerTextRuns(whole), std::vector<ui::TStyledRun>{Plain("0123456789")});

    // A cut in the middle of a UTF-8 character keeps the text UTF-8.
    TMemorySource utf8("ab\xE4\xB8\xAD");
    QCOMPARE(ui::ViewerTextRuns(ui::ReadViewerBytes(utf8, 4)),
             std::vector<ui::TStyledRun>{Plain("ab\n[truncated]")});
    // RTF cut short ends in a plain "[truncated]" line after the styled text.
    TMemorySource rtf("{\\rtf1 {\\b bold}\\par more text}");
    QCOMPARE(ui::ViewerTextRuns(ui::ReadViewerBytes(rtf, 22)),
             (std::vector<ui::TStyledRun>{Bold("bold"), Plain("\nm\n[truncated]")}));
    // A failed read ends the data where it failed.
    source.FailFrom = 6;
    const ui::TViewerBytes failed = ui::ReadViewerBytes(source, 100);
    QCOMPARE(failed.Bytes, std::string("012345"));
    QVERIFY(!failed.Truncated);
}

QTEST_MAIN(TViewerTest)
#include "viewer_test.moc"
