#include "app/welcome_dialog.h"

#include "app/vendor_contact.h"
#include "app/vendor_links.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace tw::app {

namespace {

QPushButton* PictureButton(QWidget* parent, const char* name, QStyle::StandardPixmap picture) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setFixedSize(73, 73);
    button->setIcon(QApplication::style()->standardIcon(picture));
    button->setIconSize(QSize(48, 48));
    button->setAutoDefault(false);
    return button;
}

QLabel* BoldLabel(QWidget* parent, const char* name, const char* utf8Text) {
    auto* label = new QLabel(QString::fromUtf8(utf8Text), parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

TWelcomeDialog::TWelcomeDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("WelcomeDialog");
    setWindowTitle(QString::fromUtf8("选择恢复模式"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    m_Contact = new QLabel(QString::fromUtf8("如果您恢复出来的文件有损坏，请联系我们，网站：") +
                               VendorWebAddress + QString::fromUtf8("，qq:") + VendorQQNumber,
                           this);
    m_Contact->setObjectName("Label3");
    m_Contact->setWordWrap(true);
    m_Contact->setCursor(Qt::PointingHandCursor);
    QFont contactFont(QString::fromUtf8("宋体"));
    contactFont.setPixelSize(16);
    contactFont.setBold(true);
    m_Contact->setFont(contactFont);
    m_Contact->setStyleSheet("QLabel { color: red; }");
    m_Contact->installEventFilter(this);

    auto* undelete = PictureButton(this, "ButtonUndelete", QStyle::SP_TrashIcon);
    auto* findLostData = PictureButton(this, "ButtonFindLostData", QStyle::SP_DriveHDIcon);
    auto* findLostDrive =
        PictureButton(this, "ButtonFindLostDrive", QStyle::SP_FileDialogContentsView);
    connect(undelete, &QPushButton::clicked, this, [this] { RunMode(ModeUndelete); });
    connect(findLostData, &QPushButton::clicked, this, [this] { RunMode(ModeFindLostData); });
    connect(findLostDrive, &QPushButton::clicked, this, [this] { RunMode(ModeFindLostDrive); });

    auto* chat = new QPushButton(QApplication::style()->standardIcon(QStyle::SP_MessageBoxQuestion),
                                 QString::fromUtf8("直接联系qq"), this);
    chat->setObjectName("BitBtn4");
    chat->setAutoDefault(false);
    connect(chat, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QQChatUrl(VendorQQNumber)); });

    m_OK = new QPushButton(QString::fromUtf8("关闭"), this);
    m_OK->setObjectName("OKBtn");
    m_OK->setDefault(true);
    connect(m_OK, &QPushButton::clicked, this, &QDialog::accept);

    auto* modes = new QGridLayout;
    modes->setHorizontalSpacing(16);
    modes->addWidget(undelete, 0, 0);
    modes->addWidget(BoldLabel(this, "Label1", "恢复删除的数据"), 0, 1);
    modes->addWidget(findLostData, 1, 0);
    modes->addWidget(
        BoldLabel(this, "Label20", "恢复丢失的数据，快速格式化，或者系统崩溃导致的数据丢失！"), 1,
        1);
    modes->addWidget(findLostDrive, 2, 0);
    modes->addWidget(BoldLabel(this, "Label27", "寻找丢失的分区"), 2, 1);
    modes->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chat);
    bottom->addStretch();
    bottom->addWidget(m_OK);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_Contact);
    layout->addSpacing(8);
    layout->addLayout(modes);
    layout->addStretch();
    layout->addLayout(bottom);
    resize(470, 400);
}

bool TWelcomeDialog::Execute() {
    return exec() == QDialog::Accepted;
}

void TWelcomeDialog::RunMode(int mode) {
    // Hidden first: the flow's drive dialog must not open on top of this one.
    hide();
    if (OnMode) {
        OnMode(mode);
    }
    done(QDialog::Accepted);
}

void TWelcomeDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    m_OK->setFocus();
}

void TWelcomeDialog::keyPressEvent(QKeyEvent* event) {
    // "关闭" is the cancel button too, and its result is OK.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_OK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TWelcomeDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Contact && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        QDesktopServices::openUrl(QQChatUrl(VendorQQNumber));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tw::app
