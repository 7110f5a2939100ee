#include "ui/debug_box_window.h"

#include <QFont>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

namespace tw::ui {

TDebugBoxWindow::TDebugBoxWindow()
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromStdString(m_State.Caption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_List = new QListWidget(this);
    QFont font = m_List->font();
    font.setPointSize(7);
    m_List->setFont(font);
    layout->addWidget(m_List);
}

void TDebugBoxWindow::Add(const std::string& text) {
    const size_t before = m_State.Lines().size();
    m_State.Add(text);
    for (size_t i = before; i < m_State.Lines().size(); ++i) {
        m_List->addItem(QString::fromStdString(m_State.Lines()[i]));
    }
    m_List->setCurrentRow(m_List->count() - 1);
}

void TDebugBoxWindow::Place() {
    resize(m_State.Width, m_State.Height);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const diskio::TPoint at = m_State.Placement(area.width(), area.height());
    move(at.X, at.Y);
}

void TDebugBoxWindow::SetVisible(bool visible) {
    m_State.Visible = visible;
    if (visible) {
        Place();
        show();
    } else {
        hide();
    }
}

} // namespace tw::ui
