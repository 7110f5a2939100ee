#pragma once

#include "fat/hex_layout.h"

#include <QAbstractScrollArea>
#include <QColor>

#include <array>
#include <memory>

class QPainter;

namespace tw::fat {
class TFATStream;
}

namespace tw::ui {

/// Colour indexes of THexDump.
constexpr int HexAddressColor = 0;
constexpr int HexDataColor = 1;
constexpr int HexAnsiCharColor = 2;

/// The bytes of a file as lines of hex pairs, with the offset on the left and the bytes as
/// characters on the right. The data is read on demand, one 2048-byte block at a time, so a
/// file of any size is shown without loading it. The vertical scroll bar always runs from 0
/// to 65535; one step of it stands for ScrollScale lines. Scrolling by one line moves the
/// pixels and paints only the row that came into view.
///
/// Keys: Page Up/Down move the cursor line by VisibleLines, Home and End to the first and
/// last line, Up and Down by one; a left click selects the line under the mouse. The cursor
/// line has no mark: the view only scrolls to keep it in sight.
class THexDump : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit THexDump(QWidget* parent = nullptr);
    ~THexDump() override;

    /// Shows a stream from its first line; null shows nothing. The stream is not owned and
    /// must stay alive until the next SetStream; detach it with SetStream(nullptr) before
    /// freeing it.
    void SetStream(fat::TFATStream* stream);

    /// A single border, or none.
    void SetBorder(bool single);
    [[nodiscard]] bool Border() const;
    /// The columns shown. The bytes per line follow at the next resize or font change.
    void SetShowAddress(bool show);
    void SetShowCharacters(bool show);
    [[nodiscard]] bool ShowAddress() const { return m_Layout.ShowAddress(); }
    [[nodiscard]] bool ShowCharacters() const { return m_Layout.ShowCharacters(); }
    /// Text colours by index: HexAddressColor, HexDataColor, HexAnsiCharColor. Black by
    /// default.
    void SetColor(int index, const QColor& color);
    [[nodiscard]] QColor Color(int index) const;

    /// Top line, cursor line, line count and the other figures of the view.
    [[nodiscard]] const fat::THexLayout& Layout() const { return m_Layout; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateMetrics();
    void UpdateScrollBar();
    /// Moves the picture as the layout says and puts the scroll box where the top line is.
    void Apply(fat::TScrollEffect effect);
    void ScrollBarAction(int action);
    void PaintRow(QPainter& painter, int row);

    fat::THexLayout m_Layout;
    std::unique_ptr<fat::TFATStreamSource> m_Source;
    std::array<QColor, 3> m_Colors{Qt::black, Qt::black, Qt::black};
    bool m_SettingScrollBox = false;
};

} // namespace tw::ui
