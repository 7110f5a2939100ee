#include "ui/status_dialog_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tw::ui {

TStatusDialogWindow::TStatusDialogWindow(QWidget* parent) : QDialog(parent), m_Model(this) {
    setModal(false);
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    for (QLabel*& line : m_Lines) {
        line = new QLabel(this);
        line->setTextFormat(Qt::PlainText);
        layout->addWidget(line);
    }
    m_Bar = new QProgressBar(this);
    m_Bar->setRange(0, 100);
    layout->addWidget(m_Bar);
    m_TimeLeft = new QLabel(this);
    m_TimeLeft->setTextFormat(Qt::PlainText);
    layout->addWidget(m_TimeLeft);
    m_Cancel = new QPushButton(tr("Cancel"), this);
    layout->addWidget(m_Cancel, 0, Qt::AlignRight);
    connect(m_Cancel, &QPushButton::clicked, this, [this] { m_Model.CancelBtnClick(); });
}

void TStatusDialogWindow::SetVisible(bool visible) {
    if (visible) {
        show();
        raise();
    } else {
        hide();
    }
}

void TStatusDialogWindow::Refresh(const diskio::TStatusDialog& dialog) {
    setWindowTitle(QString::fromStdString(dialog.Title()));
    for (int i = 0; i < 4; ++i) {
        m_Lines[i]->setText(QString::fromStdString(dialog.Line(i + 1)));
    }
    m_Bar->setVisible(dialog.BarVisible());
    m_Bar->setValue(dialog.BarPosition());
    m_TimeLeft->setText(QString::fromStdString(dialog.TimeLeftLine()));
}

void TStatusDialogWindow::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TStatusDialogWindow::reject() {
    m_Model.CancelBtnClick();
}

void TStatusDialogWindow::closeEvent(QCloseEvent* event) {
    // The window stays until the operation notices the cancel and hides it.
    m_Model.CancelBtnClick();
    event->ignore();
}

} // namespace tw::ui
