#include "app/find_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tw::app {

namespace {

/// Lines of ListBoxFound that stay in view after a hit.
constexpr int NewestHitsInView = 5;

QLabel* Caption(const char* text, const char* name, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TFindDialogWindow::TFindDialogWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("FindDialog");
    setWindowTitle(QString::fromUtf8("搜索"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(false);

    EditName = new QLineEdit(this);
    EditName->setObjectName("EditName");
    auto* hint = Caption("可以使用类似*.txt这样搜索所有txt文件", "Label6", this);
    hint->setWordWrap(true);
    LabelScanning = new QLabel(this);
    LabelScanning->setObjectName("LabelScanning");
    LabelHits = new QLabel(this);
    LabelHits->setObjectName("LabelHits");
    ListBoxFound = new QListWidget(this);
    ListBoxFound->setObjectName("ListBoxFound");
    ListBoxFound->setFocusPolicy(Qt::NoFocus);
    // About six lines: the five newest in full and part of the one before.
    ListBoxFound->setFixedHeight(ListBoxFound->fontMetrics().lineSpacing() * 11 / 2 +
                                 2 * ListBoxFound->frameWidth() + 6);
    ButtonStart = new QPushButton(QString::fromUtf8("&开始"), this);
    ButtonStart->setObjectName("ButtonStart");
    ButtonStart->setDefault(true);
    ButtonCancel = new QPushButton(QString::fromUtf8("结束"), this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->setAutoDefault(false);
    connect(ButtonStart, &QPushButton::clicked, this, [this] { ButtonStartClick(); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { ButtonCancelClick(); });

    auto* bevel = new QFrame(this);
    bevel->setObjectName("Bevel1");
    bevel->setFrameShape(QFrame::StyledPanel);
    bevel->setFrameShadow(QFrame::Sunken);
    auto* upper = new QGridLayout(bevel);
    upper->addWidget(Caption("名字", "Label1", bevel), 0, 0);
    upper->addWidget(EditName, 0, 1);
    upper->addWidget(Caption("提示", "Label4", bevel), 1, 0, Qt::AlignTop);
    hint->setParent(bevel);
    upper->addWidget(hint, 1, 1);
    upper->addWidget(Caption("扫描", "Label3", bevel), 2, 0);
    LabelScanning->setParent(bevel);
    upper->addWidget(LabelScanning, 2, 1);
    upper->addWidget(Caption("备注", "Label5", bevel), 3, 0);
    LabelHits->setParent(bevel);
    upper->addWidget(LabelHits, 3, 1);
    upper->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonStart);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bevel);
    layout->addWidget(Caption("发现", "Label2", this));
    layout->addWidget(ListBoxFound);
    layout->addLayout(buttons);
    setFixedSize(360, sizeHint().height());
    setFocusProxy(EditName);
}

bool TFindDialogWindow::Execute() {
    Started = false;
    Stopped = false;
    ButtonStart->setEnabled(true);
    EditName->setEnabled(true);
    EditName->setPalette(QPalette());
    LabelScanning->clear();
    LabelHits->clear();
    ListBoxFound->clear();
    show();
    raise();
    activateWindow();
    EditName->setFocus();

    QEventLoop wait;
    m_Wait = &wait;
    // QCoreApplication::exit ends every running loop, this one too; one started after it
    // returns at once.
    if (!Started && !Stopped) {
        wait.exec();
    }
    m_Wait = nullptr;
    if (!Started) {
        Stopped = true;
    }
    if (Stopped) {
        hide();
    }
    return Started;
}

void TFindDialogWindow::SetScanning(const std::string& path) {
    LabelScanning->setText(QString::fromStdString(path));
}

void TFindDialogWindow::AddHit(const std::string& name) {
    ListBoxFound->addItem(QString::fromStdString(name));
    const int count = ListBoxFound->count();
    if (count > NewestHitsInView) {
        ListBoxFound->scrollToItem(ListBoxFound->item(count - NewestHitsInView),
                                   QAbstractItemView::PositionAtTop);
    }
    LabelHits->setText(QString::number(count));
}

void TFindDialogWindow::PumpMessages() {
    QCoreApplication::processEvents();
}

void TFindDialogWindow::Hide() {
    hide();
}

void TFindDialogWindow::reject() {
    ButtonCancelClick();
}

void TFindDialogWindow::closeEvent(QCloseEvent* event) {
    ButtonCancelClick();
    event->accept();
}

void TFindDialogWindow::ButtonStartClick() {
    EditName->setEnabled(false);
    QPalette inactive = EditName->palette();
    inactive.setColor(QPalette::Base, palette().color(QPalette::Inactive, QPalette::Mid));
    EditName->setPalette(inactive);
    ButtonStart->setEnabled(false);
    ButtonCancel->setFocus();
    Pattern = fat::BuildFindPattern(EditName->text().toStdString());
    Started = true;
    if (m_Wait) {
        m_Wait->quit();
    }
}

void TFindDialogWindow::ButtonCancelClick() {
    Stopped = true;
    if (m_Wait) {
        m_Wait->quit();
    }
}

} // namespace tw::app
