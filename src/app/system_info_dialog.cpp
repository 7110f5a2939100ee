#include "app/system_info_dialog.h"

#include "ui/drive_images.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace tw::app {

namespace {

struct TColumn {
    const char* Caption;
    int Width;
    bool RightAligned;
};

QTreeWidget* MakeList(QWidget* parent, const char* name, std::initializer_list<TColumn> columns) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList captions;
    for (const TColumn& column : columns) {
        captions << QString::fromUtf8(column.Caption);
    }
    list->setHeaderLabels(captions);
    int column = 0;
    for (const TColumn& c : columns) {
        list->setColumnWidth(column, c.Width);
        if (c.RightAligned) {
            list->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        }
        ++column;
    }
    list->header()->setStretchLastSection(false);
    list->setMinimumSize(580, 300);
    return list;
}

void AddRows(QTreeWidget* list, const std::vector<diskio::TInfoRow>& rows) {
    for (const diskio::TInfoRow& row : rows) {
        auto* item = new QTreeWidgetItem(list);
        item->setText(0, QString::fromStdString(row.Caption));
        for (size_t i = 0; i < row.SubItems.size(); ++i) {
            const int column = static_cast<int>(i) + 1;
            item->setText(column, QString::fromStdString(row.SubItems[i]));
            item->setTextAlignment(column,
                                   Qt::Alignment(list->headerItem()->textAlignment(column)));
        }
        if (row.ImageIndex >= 0) {
            item->setIcon(0, ui::DriveImage(row.ImageIndex));
        }
    }
}

std::optional<diskio::TScreenFacts> PrimaryScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return std::nullopt;
    }
    // The original counts device pixels; Qt's screen size is in scaled pixels.
    const double ratio = screen->devicePixelRatio();
    return diskio::TScreenFacts{static_cast<int>(std::lround(screen->size().width() * ratio)),
                                static_cast<int>(std::lround(screen->size().height() * ratio)),
                                screen->depth()};
}

} // namespace

TDialogSystemInfo::TDialogSystemInfo(QWidget* parent) : QDialog(parent) {
    Build();
    platform::TSystemFacts facts;
    try {
        facts = platform::ReadSystemFacts();
    } catch (...) {
        // Out of memory while reading: show what the fill can make of nothing.
    }
    Fill(facts);
}

TDialogSystemInfo::TDialogSystemInfo(const platform::TSystemFacts& facts, QWidget* parent)
    : QDialog(parent) {
    Build();
    Fill(facts);
}

void TDialogSystemInfo::Build() {
    setWindowTitle("System Information");
    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    ListView1 =
        MakeList(PageControl1, "ListView1", {{"Parameter", 130, false}, {"Value", 280, false}});
    ListView2 =
        MakeList(PageControl1, "ListView2", {{"Parameter", 130, false}, {"Value", 280, false}});
    ListView3 = MakeList(PageControl1, "ListView3",
                         {{"Name", 150, false},
                          {"File system", 80, false},
                          {"Total size", 90, true},
                          {"Free space", 90, true}});
    ListView3->setIconSize(QSize(16, 16));
    ListView4 =
        MakeList(PageControl1, "ListView4", {{"Variable", 150, false}, {"Value", 400, false}});
    const struct {
        QTreeWidget* List;
        QStyle::StandardPixmap Picture;
        const char* Caption;
    } sheets[] = {{ListView1, QStyle::SP_ComputerIcon, "Hardware"},
                  {ListView2, QStyle::SP_FileDialogInfoView, "Software"},
                  {ListView3, QStyle::SP_DriveHDIcon, "Drives"},
                  {ListView4, QStyle::SP_FileDialogDetailedView, "Environment"}};
    int number = 1;
    for (const auto& sheet : sheets) {
        auto* page = new QWidget(PageControl1);
        page->setObjectName(QString("TabSheet%1").arg(number++));
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->addWidget(sheet.List);
        PageControl1->addTab(page, style()->standardIcon(sheet.Picture), sheet.Caption);
    }
    layout->addWidget(PageControl1);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(Button1);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TDialogSystemInfo::Fill(const platform::TSystemFacts& facts) {
    diskio::TSystemInfoSettings settings;
    settings.Screen = PrimaryScreen();
    const QLocale locale;
    settings.Separators.Thousands = locale.groupSeparator().toStdString();
    settings.Separators.Decimal = locale.decimalPoint().toStdString();
    diskio::TSystemInfoPages pages;
    diskio::FillSystemInfo(facts, settings, pages);
    AddRows(ListView1, pages.Hardware);
    AddRows(ListView2, pages.Software);
    AddRows(ListView3, pages.Drives);
    AddRows(ListView4, pages.Environment);
}

void TDialogSystemInfo::keyPressEvent(QKeyEvent* event) {
    // OK is the cancel button too: Esc closes with OK; only the frame's close box answers
    // false.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TDialogSystemInfo::Execute() {
    return exec() == QDialog::Accepted;
}

} // namespace tw::app
