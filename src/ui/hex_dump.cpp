#include "ui/hex_dump.h"

#include "fat/fat_stream.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace tw::ui {

THexDump::THexDump(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetBorder(true);
    // Every pixel is painted, so scrolled pixels can be kept and moved.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    QPalette colors = viewport()->palette();
    colors.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(colors);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    verticalScrollBar()->setRange(0, fat::HexScrollPositions - 1);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &THexDump::ScrollBarAction);
    UpdateMetrics();
}

THexDump::~THexDump() = default;

void THexDump::SetStream(fat::TFATStream* stream) {
    // The layout lets go of the old source before it is freed.
    auto source = stream ? std::make_unique<fat::TFATStreamSource>(*stream) : nullptr;
    m_Layout.SetSource(source.get());
    m_Source = std::move(source);
    viewport()->update();
    UpdateScrollBar();
}

void THexDump::SetBorder(bool single) {
    setFrameStyle(single ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    setLineWidth(1);
}

bool THexDump::Border() const {
    return frameShape() != QFrame::NoFrame;
}

void THexDump::SetShowAddress(bool show) {
    m_Layout.SetShowAddress(show);
    viewport()->update();
}

void THexDump::SetShowCharacters(bool show) {
    m_Layout.SetShowCharacters(show);
    viewport()->update();
}

void THexDump::SetColor(int index, const QColor& color) {
    if (index < 0 || index >= static_cast<int>(m_Colors.size()) || m_Colors[index] == color) {
        return;
    }
    m_Colors[index] = color;
    viewport()->update();
}

QColor THexDump::Color(int index) const {
    return index >= 0 && index < static_cast<int>(m_Colors.size()) ? m_Colors[index] : QColor();
}

void THexDump::UpdateMetrics() {
    const QFontMetrics metrics(font());
    m_Layout.SetMetrics(metrics.height() + 2, metrics.horizontalAdvance(QLatin1Char('D')) + 1);
    m_Layout.Resize(viewport()->width(), viewport()->height());
    UpdateScrollBar();
}

void THexDump::UpdateScrollBar() {
    m_SettingScrollBox = true;
    verticalScrollBar()->setRange(0, fat::HexScrollPositions - 1);
    verticalScrollBar()->setPageStep(std::max(1, m_Layout.VisibleLines() - 1));
    verticalScrollBar()->setValue(m_Layout.ScrollBoxPosition());
    m_SettingScrollBox = false;
}

void THexDump::Apply(fat::TScrollEffect effect) {
    switch (effect) {
    case fat::TScrollEffect::seNone:
        return;
    case fat::TScrollEffect::seLineDown:
        // QWidget::scroll repaints the strip that the move uncovers: the bottom row.
        viewport()->scroll(0, -m_Layout.LineHeight());
        break;
    case fat::TScrollEffect::seLineUp:
        viewport()->scroll(0, m_Layout.LineHeight());
        break;
    case fat::TScrollEffect::seWhole:
        viewport()->update();
        break;
    }
    m_SettingScrollBox = true;
    verticalScrollBar()->setSliderPosition(m_Layout.ScrollBoxPosition());
    verticalScrollBar()->setValue(m_Layout.ScrollBoxPosition());
    m_SettingScrollBox = false;
}

void THexDump::ScrollBarAction(int action) {
    if (m_SettingScrollBox) {
        return;
    }
    fat::THexScroll scroll = fat::THexScroll::hsOther;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        scroll = fat::THexScroll::hsLineUp;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        scroll = fat::THexScroll::hsLineDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        scroll = fat::THexScroll::hsPageUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        scroll = fat::THexScroll::hsPageDown;
        break;
    case QAbstractSlider::SliderMove:
        scroll = fat::THexScroll::hsThumb;
        break;
    default:
        break;
    }
    // The slider has already moved by its own steps; the layout decides where it goes.
    const fat::TScrollEffect effect =
        m_Layout.Scroll(scroll, verticalScrollBar()->sliderPosition());
    if (effect == fat::TScrollEffect::seNone) {
        m_SettingScrollBox = true;
        verticalScrollBar()->setSliderPosition(scroll == fat::THexScroll::hsThumb
                                                   ? verticalScrollBar()->sliderPosition()
                                                   : m_Layout.ScrollBoxPosition());
        m_SettingScrollBox = false;
        return;
    }
    Apply(effect);
}

void THexDump::scrollContentsBy(int, int) {
    // The picture follows the layout (Apply), not the scroll bar's value.
}

void THexDump::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    m_Layout.Resize(viewport()->width(), viewport()->height());
    UpdateScrollBar();
}

void THexDump::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateMetrics();
        viewport()->update();
    }
}

void THexDump::keyPressEvent(QKeyEvent* event) {
    fat::THexKey key;
    switch (event->key()) {
    case Qt::Key_PageUp:
        key = fat::THexKey::hkPageUp;
        break;
    case Qt::Key_PageDown:
        key = fat::THexKey::hkPageDown;
        break;
    case Qt::Key_Home:
        key = fat::THexKey::hkHome;
        break;
    case Qt::Key_End:
        key = fat::THexKey::hkEnd;
        break;
    case Qt::Key_Up:
        key = fat::THexKey::hkUp;
        break;
    case Qt::Key_Down:
        key = fat::THexKey::hkDown;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        event->accept(); // the arrows belong to the view, also where they do nothing
        return;
    default:
        event->ignore(); // Esc and the rest go on to the dialog
        return;
    }
    event->accept();
    Apply(m_Layout.PressKey(key));
}

void THexDump::mousePressEvent(QMouseEvent* event) {
    if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    if (event->button() == Qt::LeftButton) {
        Apply(m_Layout.ClickAt(static_cast<int>(event->position().y())));
    }
    event->accept();
}

void THexDump::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) {
        Apply(m_Layout.ScrollToLine(m_Layout.TopLine() - 3 * notches));
    }
    event->accept();
}

void THexDump::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    const QColor background = viewport()->palette().color(QPalette::Base);
    painter.fillRect(dirty, background);
    painter.setFont(font());
    const auto [first, last] = m_Layout.RowsIn(dirty.top(), dirty.bottom());
    for (int row = first; row <= last; ++row) {
        PaintRow(painter, row);
    }
}

void THexDump::PaintRow(QPainter& painter, int row) {
    const int64_t line = m_Layout.TopLine() + row;
    const fat::THexLine bytes = m_Layout.LineBytes(line);
    if (bytes.Count == 0) {
        return; // past the data: background only
    }
    const int charWidth = m_Layout.CharWidth();
    const int height = m_Layout.LineHeight();
    const int top = row * height;
    const int left = 1;
    const int right = viewport()->width();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip;
    const int addressWidth = m_Layout.AddressWidth();
    if (m_Layout.ShowAddress()) {
        // The address without its colon, clipped to its column.
        painter.save();
        painter.setClipRect(QRect(left, top, addressWidth, height));
        painter.setPen(m_Colors[HexAddressColor]);
        painter.drawText(QRect(left, top, addressWidth, height), flags,
                         QString::fromStdString(m_Layout.AddressText(line).substr(0, 9)));
        painter.restore();
    }
    static constexpr char Digits[] = "0123456789ABCDEF";
    painter.setPen(m_Colors[HexDataColor]);
    const int hexLeft = left + addressWidth;
    for (int i = 0; i < bytes.Count; ++i) {
        QString pair = QStringLiteral("??");
        if (bytes.Known[i]) {
            pair[0] = QLatin1Char(Digits[bytes.Bytes[i] >> 4]);
            pair[1] = QLatin1Char(Digits[bytes.Bytes[i] & 0x0F]);
        }
        painter.drawText(QRect(hexLeft + i * 3 * charWidth, top, 2 * charWidth, height), flags,
                         pair);
    }
    if (m_Layout.ShowCharacters()) {
        const int charLeft = left + m_Layout.CharColumnOffset();
        painter.save();
        painter.setClipRect(QRect(charLeft, top, std::max(0, right - charLeft), height));
        painter.setPen(m_Colors[HexAnsiCharColor]);
        // One cell per byte, each drawn on its own, so that no byte (CR, NUL, TAB) can move
        // the others or break the row.
        for (int i = 0; i < bytes.Count; ++i) {
            painter.drawText(QRect(charLeft + i * charWidth, top, charWidth, height), flags,
                             QString(QChar(bytes.Bytes[i])));
        }
        painter.restore();
    }
}

} // namespace tw::ui
