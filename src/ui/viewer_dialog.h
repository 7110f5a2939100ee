#pragma once

#include "ui/rtf_text.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QPlainTextEdit;
class QStackedWidget;

namespace tw::fat {
class TFATdrive;
class TFATFile;
class THexByteSource;
} // namespace tw::fat

namespace tw::ui {

class THexDump;

/// The text page loads at most this much of a file.
constexpr uint64_t ViewerTextCapBytes = uint64_t{64} << 20;

/// The first bytes of a file, for the text page.
struct TViewerBytes {
    std::string Bytes;
    /// The file is longer than what was read.
    bool Truncated = false;
};

/// Reads the source from its start, at most cap bytes. A read that fails ends the data
/// where it failed.
[[nodiscard]] TViewerBytes ReadViewerBytes(fat::THexByteSource& source, uint64_t cap);
/// Plain text as the text page shows it: the bytes as UTF-8 when they are valid UTF-8,
/// else decoded from CP936; NUL shown as U+2400; CR LF and a lone CR end a line as LF does.
/// With cutShort (the data was truncated) a UTF-8 sequence cut off at the very end does not
/// count against UTF-8 and is dropped.
[[nodiscard]] std::string DecodeViewerText(std::string_view bytes, bool cutShort);
/// What the text page shows for the bytes: RTF data formatted, anything else as plain
/// text, followed by a "[truncated]" line when the data was cut short.
[[nodiscard]] std::vector<TStyledRun> ViewerTextRuns(const TViewerBytes& bytes);

/// Shows the contents of one file of an open FAT volume as a hex dump or as text, in a
/// modal, resizable window closed with Esc or the close box. Create it once and reuse it.
/// The pages are a QStackedWidget "Notebook1" with a read-only QPlainTextEdit "RichEdit1"
/// and a THexDump "Hexdump1".
class TViewerDialog : public QDialog {
    Q_OBJECT
public:
    explicit TViewerDialog(QWidget* parent = nullptr);

    /// Shows the file's bytes from its first line as a hex dump, following the FAT copy
    /// fatChoice (0: clusters taken as consecutive; n: FAT copy n), until the user closes
    /// the window. The caption is "View as hex: " and the file's display name.
    void ViewAsHex(fat::TFATdrive& drive, fat::TFATFile& file, uint8_t fatChoice);
    /// Shows the file as text (RTF data formatted), read as ViewAsHex reads it and capped
    /// at ViewerTextCapBytes, until the user closes the window. The caption is
    /// "View as text: " and the file's display name.
    void ViewAsText(fat::TFATdrive& drive, fat::TFATFile& file, uint8_t fatChoice);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowText(const std::vector<TStyledRun>& runs);

    QStackedWidget* m_Pages;
    QPlainTextEdit* m_Text;
    THexDump* m_HexDump;
};

} // namespace tw::ui
