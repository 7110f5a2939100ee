#include "ui/viewer_dialog.h"

#include "fat/fat_directory.h"
#include "fat/fat_stream.h"
#include "fat/hex_layout.h"
#include "platform/text_codec.h"
#include "ui/hex_dump.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace tw::ui {
namespace {

constexpr uint64_t ReadChunkBytes = 1 << 20;
constexpr std::string_view NulPicture = "\xE2\x90\x80"; // U+2400 SYMBOL FOR NULL

/// The length of the UTF-8 sequence at i: 0 when it is not valid UTF-8, -1 when it is a
/// valid start that the end of the data cuts off.
int Utf8SequenceLength(std::string_view bytes, size_t i) {
    const auto at = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
    const uint8_t lead = at(i);
    if (lead < 0x80) {
        return 1;
    }
    int length = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        if (i + static_cast<size_t>(k) >= bytes.size()) {
            return -1;
        }
        const uint8_t next = at(i + static_cast<size_t>(k));
        if (k == 1 ? (next < low || next > high) : (next < 0x80 || next > 0xBF)) {
            return 0;
        }
    }
    return length;
}

/// NUL as its visible picture, CR LF and lone CR as LF.
std::string ShowControls(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0') {
            shown += NulPicture;
        } else if (c == '\r') {
            shown += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            shown += c;
        }
    }
    return shown;
}

} // namespace

TViewerBytes ReadViewerBytes(fat::THexByteSource& source, uint64_t cap) {
    TViewerBytes result;
    const uint64_t size = source.SizeBytes();
    result.Truncated = size > cap;
    const uint64_t wanted = std::min(size, cap);
    result.Bytes.resize(static_cast<size_t>(wanted));
    uint64_t offset = 0;
    while (offset < wanted) {
        const uint64_t chunk = std::min(ReadChunkBytes, wanted - offset);
        const uint64_t got = source.ReadAt(
            offset, std::as_writable_bytes(std::span(result.Bytes)).subspan(offset, chunk));
        offset += std::min(got, chunk);
        if (got < chunk) {
            break;
        }
    }
    result.Bytes.resize(static_cast<size_t>(offset));
    return result;
}

std::string DecodeViewerText(std::string_view bytes, bool cutShort) {
    size_t end = bytes.size();
    bool utf8 = true;
    for (size_t i = 0; i < bytes.size();) {
        const int length = Utf8SequenceLength(bytes, i);
        if (length > 0) {
            i += static_cast<size_t>(length);
        } else {
            utf8 = length < 0 && cutShort;
            end = i;
            break;
        }
    }
    return ShowControls(utf8 ? bytes.substr(0, end) : platform::DecodeOemText(bytes));
}

std::vector<TStyledRun> ViewerTextRuns(const TViewerBytes& bytes) {
    std::vector<TStyledRun> runs;
    if (LooksLikeRtf(bytes.Bytes)) {
        runs = RtfToStyledText(bytes.Bytes);
        for (TStyledRun& run : runs) {
            run.Text = ShowControls(run.Text);
        }
    } else {
        std::string text = DecodeViewerText(bytes.Bytes, bytes.Truncated);
        if (!text.empty()) {
            runs.push_back({std::move(text)});
        }
    }
    if (bytes.Truncated) {
        const bool endsLine = runs.empty() || runs.back().Text.ends_with('\n');
        const TStyledRun plain;
        if (runs.empty() || !runs.back().SameStyle(plain)) {
            runs.push_back(plain);
        }
        runs.back().Text += endsLine ? "[truncated]" : "\n[truncated]";
    }
    return runs;
}

TViewerDialog::TViewerDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("ViewerDialog");
    setWindowTitle("View");
    resize(696, 532);

    m_Pages = new QStackedWidget(this);
    m_Pages->setObjectName("Notebook1");
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    auto* textPage = new QWidget;
    textPage->setObjectName("text");
    m_Text = new QPlainTextEdit(textPage);
    m_Text->setObjectName("RichEdit1");
    m_Text->setReadOnly(true);
    m_Text->setUndoRedoEnabled(false);
    m_Text->setFont(fixed);
    auto* textLayout = new QVBoxLayout(textPage);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->addWidget(m_Text);

    auto* hexPage = new QWidget;
    hexPage->setObjectName("hex");
    m_HexDump = new THexDump(hexPage);
    m_HexDump->setObjectName("Hexdump1");
    m_HexDump->SetBorder(true);
    m_HexDump->setFont(fixed);
    auto* hexLayout = new QVBoxLayout(hexPage);
    hexLayout->setContentsMargins(0, 0, 0, 0);
    hexLayout->addWidget(m_HexDump);

    m_Pages->addWidget(textPage);
    m_Pages->addWidget(hexPage);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_Pages);

    // The window sees Esc before the page does.
    m_Text->installEventFilter(this);
    m_HexDump->installEventFilter(this);
}

void TViewerDialog::ViewAsHex(fat::TFATdrive& drive, fat::TFATFile& file, uint8_t fatChoice) {
    m_HexDump->setEnabled(false);
    setWindowTitle("View as hex: " + QString::fromStdString(devices::ReplaceDeletedChar(file)));
    fat::TFATStream stream(drive, file.FirstCluster, file.Size, fatChoice);
    m_HexDump->SetStream(&stream);
    m_HexDump->setEnabled(true);
    m_Pages->setCurrentWidget(m_HexDump->parentWidget());
    exec();
    m_HexDump->SetStream(nullptr);
}

void TViewerDialog::ViewAsText(fat::TFATdrive& drive, fat::TFATFile& file, uint8_t fatChoice) {
    m_HexDump->setEnabled(false);
    setWindowTitle("View as text: " + QString::fromStdString(devices::ReplaceDeletedChar(file)));
    {
        fat::TFATStream stream(drive, file.FirstCluster, file.Size, fatChoice);
        fat::TFATStreamSource source(stream);
        ShowText(ViewerTextRuns(ReadViewerBytes(source, ViewerTextCapBytes)));
    }
    m_Text->moveCursor(QTextCursor::Start);
    m_Pages->setCurrentWidget(m_Text->parentWidget());
    exec();
    m_Text->clear(); // up to 64 MiB of text is not kept between showings
}

void TViewerDialog::ShowText(const std::vector<TStyledRun>& runs) {
    m_Text->clear();
    if (runs.size() == 1 && runs[0].SameStyle(TStyledRun{})) {
        m_Text->setPlainText(QString::fromStdString(runs[0].Text));
        return;
    }
    QTextCursor cursor(m_Text->document());
    cursor.beginEditBlock();
    for (const TStyledRun& run : runs) {
        QTextCharFormat format;
        format.setFontWeight(run.Bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.Italic);
        format.setFontUnderline(run.Underline);
        cursor.insertText(QString::fromStdString(run.Text), format);
    }
    cursor.endEditBlock();
}

void TViewerDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_Pages->currentWidget() == m_Text->parentWidget()) {
        m_Text->setFocus();
    } else {
        m_HexDump->setFocus();
    }
}

bool TViewerDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tw::ui
