#include "app/about_dialog.h"

#include "app/vendor_contact.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace tw::app {

namespace {

const QColor NavyColour(0, 0, 128);

QLabel* TextLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    // Clicks on plain text count as clicks on the background, which close the box.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutDialog");
    setWindowTitle("About");

    auto* icon = TextLabel(this, "Image1", QString());
    icon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(32, 32));
    icon->setFixedSize(32, 32);
    auto* name = TextLabel(this, "Label1", "Tarnwell");
    QFont nameFont = name->font();
    nameFont.setPixelSize(24);
    name->setFont(nameFont);

    m_Panel = new QFrame(this);
    m_Panel->setObjectName("Panel2");
    m_Panel->setFrameShape(QFrame::Panel);
    m_Panel->setFrameShadow(QFrame::Sunken);
    m_Panel->setMouseTracking(true);
    m_Panel->setContextMenuPolicy(Qt::DefaultContextMenu);
    m_Panel->installEventFilter(this);

    const char* addresses[2] = {VendorUpdateAddress1, VendorUpdateAddress2};
    for (int i = 0; i < 2; ++i) {
        m_Links[i] = new QLabel(addresses[i], m_Panel);
        m_Links[i]->setObjectName(i == 0 ? "LabelHTMLaddress1" : "LabelHTMLaddress2");
        m_Links[i]->setCursor(Qt::PointingHandCursor);
        m_Links[i]->setMouseTracking(true);
        m_Links[i]->installEventFilter(this);
        QFont linkFont = m_Links[i]->font();
        linkFont.setUnderline(true);
        m_Links[i]->setFont(linkFont);
        SetLinkColour(m_Links[i], NavyColour);
    }

    auto* version = new QHBoxLayout;
    version->addWidget(TextLabel(m_Panel, "Label4", "Version: 1.8 Beta 3"));
    version->addStretch();
    version->addWidget(TextLabel(m_Panel, "Label7", "Please report bugs!"));
    auto* panelLayout = new QVBoxLayout(m_Panel);
    panelLayout->addWidget(TextLabel(m_Panel, "Label6", "Undelete and data recovery tool"));
    panelLayout->addLayout(version);
    panelLayout->addSpacing(8);
    panelLayout->addWidget(TextLabel(m_Panel, "Label11", "For updates visit:"));
    panelLayout->addWidget(m_Links[0]);
    panelLayout->addWidget(m_Links[1]);
    panelLayout->addSpacing(8);
    panelLayout->addWidget(
        TextLabel(m_Panel, "Label8", "Thanks to the people who tested Tarnwell!"));

    m_Menu = new QMenu(this);
    m_Menu->setObjectName("PopupMenu1");
    QAction* copy = m_Menu->addAction("Copy link");
    copy->setObjectName("CopyHTMLaddress1");
    connect(copy, &QAction::triggered, this, [this] {
        if (m_MenuLink) {
            QApplication::clipboard()->setText(m_MenuLink->text());
        }
    });

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Button1");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* title = new QHBoxLayout;
    title->addWidget(icon);
    title->addSpacing(12);
    title->addWidget(name);
    title->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(title);
    layout->addWidget(m_Panel);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(330, 0)));
}

void TAboutDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    findChild<QPushButton*>("Button1")->setFocus();
}

void TAboutDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void TAboutDialog::keyPressEvent(QKeyEvent* event) {
    event->accept();
    accept();
}

QLabel* TAboutDialog::LinkAt(QObject* object) const {
    for (QLabel* link : m_Links) {
        if (object == link) {
            return link;
        }
    }
    return nullptr;
}

void TAboutDialog::SetLinkColour(QLabel* link, const QColor& colour) {
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, colour);
    link->setPalette(palette);
}

bool TAboutDialog::eventFilter(QObject* watched, QEvent* event) {
    QLabel* link = LinkAt(watched);
    switch (event->type()) {
    case QEvent::MouseMove:
        if (link) {
            SetLinkColour(link, Qt::blue);
            return true; // not on to the panel, which would turn it navy again
        }
        if (watched == m_Panel) {
            for (QLabel* each : m_Links) {
                SetLinkColour(each, NavyColour);
            }
        }
        break;
    case QEvent::MouseButtonRelease:
        if (link && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            QDesktopServices::openUrl(QUrl(link->text()));
            return true;
        }
        break;
    case QEvent::ContextMenu:
        if (link || watched == m_Panel) {
            m_MenuLink = link;
            m_Menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
            m_MenuLink = nullptr;
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tw::app
