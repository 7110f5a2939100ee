#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/contact_form.h"
#include "app/dir_select_dialog.h"
#include "app/drive_dialog.h"
#include "app/drive_info_dialog.h"
#include "app/fat_select_dialog.h"
#include "app/find_dialog.h"
#include "app/help.h"
#include "app/item_commands.h"
#include "app/options_dialog.h"
#include "app/system_info_dialog.h"
#include "app/vendor_contact.h"
#include "app/vendor_links.h"
#include "app/welcome_dialog.h"
#include "devices/custom_drive.h"
#include "devices/device.h"
#include "diskio/log.h"
#include "diskio/options.h"
#include "diskio/shared_helpers.h"
#include "fat/fat_analyser.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/lost_data_search.h"
#include "fat/name_search.h"
#include "fat/saving.h"
#include "platform/clock.h"
#include "ui/debug_box_window.h"
#include "ui/folder_tree_model.h"
#include "ui/item_list_model.h"
#include "ui/qt_prompter.h"
#include "ui/range_dialogs.h"
#include "ui/skins.h"
#include "ui/status_dialog_window.h"
#include "ui/viewer_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <malloc.h>

namespace tw::app {

namespace {

QString g_StartupError;

/// The web address that ends the window caption.
constexpr const char* VendorAddress = "www.tarnwell.example";

/// Forwards key presses of the item list (Backspace: parent folder; Enter: open).
class TListKeys final : public QObject {
public:
    explicit TListKeys(TMainForm& form) : QObject(&form), m_Form(form) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Backspace) {
                m_Form.ButtonParentDirClick();
                return true;
            }
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
                !static_cast<QAbstractItemView*>(watched->parent())
                     ->isPersistentEditorOpen(
                         static_cast<QAbstractItemView*>(watched->parent())->currentIndex())) {
                m_Form.ListView1DblClick();
                return true;
            }
        }
        if (event->type() == QEvent::KeyRelease) {
            QTimer::singleShot(0, &m_Form, [this] {
                m_Form.UpdateMenus();
                m_Form.UpdateStatus();
            });
        }
        return false;
    }

private:
    TMainForm& m_Form;
};

} // namespace

QString StartupError() {
    return g_StartupError;
}

TMainForm::TMainForm(const QStringList& arguments) {
    // The skin by the tens digit of the tick count.
    SkinName = ui::SkinNameForTick(platform::GetTickCount());
    ui::ApplySkin(*qApp, SkinName);
    ProgramName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    setWindowTitle(ProgramName + " " + VendorAddress);
    resize(1144, 712);

    m_Prompter = std::make_unique<ui::TQtPrompter>(this);
    platform::SetPrompter(m_Prompter.get());
    StatusDialog = new ui::TStatusDialogWindow(this);
    TreeModel = new ui::TFolderTreeModel(Tree, this);
    ListModel = new ui::TItemListModel(List, this);
    BuildActions();
    BuildToolbar();
    BuildBrowser();
    BuildStatusBars();

    try {
        diskio::Options().Load();
        ApplyOptions();
        DebugBox = new ui::TDebugBoxWindow();
        diskio::SetLogSink(DebugBox);
        if (!arguments.isEmpty() && arguments.front() == "DEBUG") {
            DebugBox->SetVisible(true);
        }
        diskio::Log("application started", 1);
        DriveDlg = new TDriveDlg(
            Session, [this] { return Rescan(); },
            [this](devices::TDevice& device) { FindLostDrivesOn(device); }, this);
        SectorDialog = new ui::TSectorDialog(this);
        DriveInfoDialog = new TDriveInfoDialog(this);
        OptionsDialog = new TOptionsDialog(diskio::Options(), this);
        DirSelectDialog = new TDirSelectDialogWindow(this);
        FindDialog = new TFindDialogWindow(this);
        ClusterDialog = new ui::TClusterDialogWindow(this);
        FATSelectDialog = new TFATSelectDialog(this);
        ViewerDialog = new ui::TViewerDialog(this);
        WelcomeDialog = new TWelcomeDialog(this);
        WelcomeDialog->OnMode = [this](int mode) { RunWelcomeMode(mode); };
        AboutDialog = new TAboutDialog(this);
        SupportForm = new TForm3(this);
        SystemInfoDialog = new TDialogSystemInfo(this);
        DeviceScanPending = true;
        UpdateLock = 0;
        SetMode(1);
    } catch (const std::exception& e) {
        g_StartupError = QString::fromUtf8(e.what());
        QMessageBox::critical(this, ProgramName,
                              "An exception has occured while starting application:\n" +
                                  g_StartupError);
    }

    auto* memoryTimer = new QTimer(this);
    connect(memoryTimer, &QTimer::timeout, this, [this] { UpdateMemoryUsage(); });
    memoryTimer->start(3000);
}

TMainForm::~TMainForm() {
    // The views outlive the tree and list they show (they go with the base class): they let
    // go of the models first.
    TreeView->setModel(nullptr);
    ListView1->setModel(nullptr);
    IconView->setModel(nullptr);
    delete TreeModel;
    delete ListModel;
    TreeModel = nullptr;
    ListModel = nullptr;
    diskio::SetLogSink(nullptr);
    platform::SetPrompter(nullptr);
    Tree.Clear();
    List.Clear();
    Session.DriveList.Clear();
    Session.DeviceList.Clear();
    delete DebugBox;
    DebugBox = nullptr;
}

bool TMainForm::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // The first activation offers the three recovery modes.
    if (event->type() == QEvent::WindowActivate && !WelcomeShown && WelcomeDialog) {
        WelcomeShown = true;
        QTimer::singleShot(0, this, [this] {
            WelcomeDialog->Execute();
            setFocus();
        });
    }
    return handled;
}

void TMainForm::RunWelcomeMode(int mode) {
    if (mode == TWelcomeDialog::ModeFindLostDrive) {
        DriveDlg->SetActivePage(TDriveDlg::PhysicalPage);
    }
    MenuDriveClick();
    if (Mode != 2 || !CurrentDrive) {
        return;
    }
    TreeView->setFocus();
    if (mode == TWelcomeDialog::ModeUndelete) {
        TreeView->setCurrentIndex(TreeModel->IndexOf(Tree.DeletedNode));
        TreeView->expand(TreeModel->IndexOf(Tree.DeletedNode));
    } else if (mode == TWelcomeDialog::ModeFindLostData) {
        TreeView->setCurrentIndex(TreeModel->IndexOf(Tree.LostNode));
        MenuFindLostDataClick();
    } else {
        TreeView->setCurrentIndex(TreeModel->IndexOf(Tree.RootNode));
        TreeView->expand(TreeModel->IndexOf(Tree.RootNode));
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The widget's own destruction closes it once more, after the log window has gone.
    if (DebugBox) {
        diskio::Log("application closed", 1);
        DebugBox->close();
    }
    event->accept();
}

QAction* TMainForm::Action(const QString& caption) const {
    auto it = m_Actions.find(caption);
    return it == m_Actions.end() ? nullptr : it->second;
}

QToolButton* TMainForm::Button(const QString& name) const {
    auto it = m_Buttons.find(name);
    return it == m_Buttons.end() ? nullptr : it->second;
}

void TMainForm::BuildActions() {
    struct TItem {
        const char* Menu;
        const char* Caption;
        QKeySequence Shortcut;
        const char* Hint;
    };
    const TItem items[] = {
        {"&Object", "&Drive...", QKeySequence("Ctrl+O"), "Select a logical drive to access"},
        {"&Object", "&Rename...", QKeySequence("F2"), "Rename selected file or folder"},
        {"&Object", "&Properties...", {}, "Set properties of selected file or folder"},
        {"&Object", "&View as...", {}, ""},
        {"&Object", "&hex dump...", {}, "View file as hex dump"},
        {"&Object", "&text...", {}, "View file as text"},
        {"&Object", "&Save to...", QKeySequence("Ctrl+S"), "Save selected files and folders"},
        {"&Object",
         "&Find...",
         {},
         "Search for specific files and directories in the deleted, lost and root folders"},
        {"&Object", "&Options...", {}, "Set program options"},
        {"&Object", "E&xit", {}, "Quit the application"},
        {"&Edit", "Select &all", QKeySequence("Ctrl+A"), "Select all items"},
        {"&Edit", "&Invert selection", {}, "Invert the selected items"},
        {"&View", "&Toolbar", {}, "Toggle the display of the toolbar"},
        {"&View", "Stat&us bar", {}, "Toggle the display of the status bar"},
        {"&View", "&Large Icons", {}, "Display items as large icons"},
        {"&View", "&Small Icons", {}, "Display items as small icons"},
        {"&View", "L&ist", {}, "Display items as list"},
        {"&View", "&Details", {}, "Display items as detailed report"},
        {"&View", "by &name", {}, ""},
        {"&View", "by &date", {}, ""},
        {"&View", "by &size", {}, ""},
        {"&View", "by &type", {}, ""},
        {"&View", "&descending order", {}, ""},
        {"&View", "&ascending order", {}, ""},
        {"&Info", "&Drive info...", {}, "Show physical drive information"},
        {"&Info", "&System info...", {}, "Show system information"},
        {"&Tools", "&Find lost data...", {}, "Find lost data on selected drive"},
        {"&Help", "&Help topics", QKeySequence("F1"), "List help topics"},
        {"&Help", "&About...", {}, ""},
    };
    // The menu bar shows nothing; its items act through their shortcuts and buttons.
    menuBar()->hide();
    for (const TItem& item : items) {
        auto* action = new QAction(QString::fromUtf8(item.Caption), this);
        action->setShortcut(item.Shortcut);
        action->setStatusTip(QString::fromUtf8(item.Hint));
        action->setProperty("menu", QString::fromUtf8(item.Menu));
        addAction(action);
        m_Actions[QString::fromUtf8(item.Caption)] = action;
    }
    for (const char* checkable :
         {"&Toolbar", "Stat&us bar", "&Large Icons", "&Small Icons", "L&ist", "&Details"}) {
        Action(checkable)->setCheckable(true);
    }
    Action("&Toolbar")->setChecked(true);
    Action("Stat&us bar")->setChecked(true);
    Action("&Details")->setChecked(true);

    connect(Action("&Drive..."), &QAction::triggered, this, [this] { MenuDriveClick(); });
    connect(Action("E&xit"), &QAction::triggered, qApp, &QApplication::quit);
    connect(Action("Select &all"), &QAction::triggered, this, [this] { MenuSelectAllClick(); });
    connect(Action("&Invert selection"), &QAction::triggered, this,
            [this] { MenuInvertSelectionClick(); });
    connect(Action("&Toolbar"), &QAction::triggered, this,
            [this](bool on) { Toolbar1->setVisible(on); });
    connect(Action("Stat&us bar"), &QAction::triggered, this,
            [this](bool on) { statusBar()->setVisible(on); });
    const std::pair<const char*, int> styles[] = {
        {"&Large Icons", 0}, {"&Small Icons", 1}, {"L&ist", 2}, {"&Details", 3}};
    for (const auto& [caption, style] : styles) {
        connect(Action(caption), &QAction::triggered, this, [this, style = style] {
            for (const char* other : {"&Large Icons", "&Small Icons", "L&ist", "&Details"}) {
                Action(other)->setChecked(false);
            }
            SetViewStyle(style);
        });
    }
    connect(Action("by &name"), &QAction::triggered, this,
            [this] { SortBy(0, !List.SortDescending); });
    connect(Action("by &size"), &QAction::triggered, this,
            [this] { SortBy(1, !List.SortDescending); });
    connect(Action("by &date"), &QAction::triggered, this,
            [this] { SortBy(2, !List.SortDescending); });
    connect(Action("by &type"), &QAction::triggered, this,
            [this] { SortBy(5, !List.SortDescending); });
    connect(Action("&descending order"), &QAction::triggered, this,
            [this] { SortBy(List.SortColumn, false); });
    connect(Action("&ascending order"), &QAction::triggered, this,
            [this] { SortBy(List.SortColumn, true); });
    connect(Action("&Save to..."), &QAction::triggered, this, [this] { SaveSelected(); });
    connect(Action("&Find lost data..."), &QAction::triggered, this,
            [this] { MenuFindLostDataClick(); });
    connect(Action("&Find..."), &QAction::triggered, this, [this] { MenuFindClick(); });
    connect(Action("&Properties..."), &QAction::triggered, this, [this] { MenuPropertiesClick(); });
    connect(Action("&hex dump..."), &QAction::triggered, this, [this] { ViewSelected(true); });
    connect(Action("&text..."), &QAction::triggered, this, [this] { ViewSelected(false); });
    connect(Action("&About..."), &QAction::triggered, this, [this] { AboutDialog->exec(); });
    connect(Action("&System info..."), &QAction::triggered, this,
            [this] { SystemInfoDialog->Execute(); });
    connect(Action("&Help topics"), &QAction::triggered, this, [this] { OpenHelp(this); });
    connect(Action("&Drive info..."), &QAction::triggered, this, [this] {
        if (CurrentDevice) {
            DriveInfoDialog->Execute(*CurrentDevice);
        }
    });
    connect(Action("&Options..."), &QAction::triggered, this, [this] {
        if (!Busy && OptionsDialog->Edit()) {
            ApplyOptions();
            RefreshList();
        }
    });
    connect(Action("&Rename..."), &QAction::triggered, this, [this] {
        QAbstractItemView* view = ListStack->currentWidget() == IconView
                                      ? static_cast<QAbstractItemView*>(IconView)
                                      : ListView1;
        if (TreeView->hasFocus()) {
            TreeView->edit(TreeView->currentIndex());
        } else if (view->currentIndex().isValid()) {
            view->edit(view->currentIndex().siblingAtColumn(0));
        }
    });
}

void TMainForm::BuildToolbar() {
    Toolbar1 = new QWidget(this);
    Toolbar1->setFixedHeight(64);
    auto* layout = new QHBoxLayout(Toolbar1);
    layout->setContentsMargins(4, 2, 4, 2);
    struct TButton {
        const char* Name;
        const char* Caption;
        const char* Hint;
        bool Visible;
        QStyle::StandardPixmap Picture;
    };
    const TButton buttons[] = {
        {"ButtonOpenDrive", "打开磁盘", "Select a logical drive to access", true,
         QStyle::SP_DriveHDIcon},
        {"ButtonSaveTo", "恢复数据", "Save selected files and folders", true,
         QStyle::SP_DialogSaveButton},
        {"ButtonFind", "搜索数据", "Search for specific files and directories", true,
         QStyle::SP_FileDialogContentsView},
        {"ButtonFindLostData", "深度恢复", "Find lost data on selected drive", true,
         QStyle::SP_BrowserReload},
        {"ButtonViewList", "直接qq对话", "qq", true, QStyle::SP_MessageBoxInformation},
        {"ButtonHelp", "联系我们", "Help", true, QStyle::SP_DialogHelpButton},
        {"ButtonParentDir", "", "Go to parent directory", false, QStyle::SP_FileDialogToParent},
        {"ButtonViewIcon", "", "Icon view", false, QStyle::SP_FileDialogListView},
        {"ButtonViewSmallIcon", "", "Small icon view", false, QStyle::SP_FileDialogListView},
        {"ButtonViewReport", "", "Details view", false, QStyle::SP_FileDialogDetailedView},
    };
    for (const TButton& b : buttons) {
        auto* button = new QToolButton(Toolbar1);
        button->setObjectName(b.Name);
        button->setText(QString::fromUtf8(b.Caption));
        button->setToolTip(QString::fromUtf8(b.Hint));
        button->setIcon(style()->standardIcon(b.Picture));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setEnabled(false);
        button->setVisible(b.Visible);
        button->setMinimumWidth(72);
        layout->addWidget(button);
        m_Buttons[QString::fromUtf8(b.Name)] = button;
    }
    layout->addStretch();
    auto* support = new QToolButton(Toolbar1);
    support->setObjectName("Button1");
    support->setText(QString::fromUtf8("提交您的问题，工程师5分钟与您联系"));
    layout->addWidget(support);
    m_Buttons["Button1"] = support;

    connect(Button("ButtonOpenDrive"), &QToolButton::clicked, this, [this] { MenuDriveClick(); });
    connect(Button("ButtonSaveTo"), &QToolButton::clicked, Action("&Save to..."),
            &QAction::trigger);
    connect(Button("ButtonFind"), &QToolButton::clicked, Action("&Find..."), &QAction::trigger);
    connect(Button("ButtonFindLostData"), &QToolButton::clicked, Action("&Find lost data..."),
            &QAction::trigger);
    connect(Button("ButtonParentDir"), &QToolButton::clicked, this,
            [this] { ButtonParentDirClick(); });
    connect(Button("ButtonViewIcon"), &QToolButton::clicked, this, [this] { SetViewStyle(0); });
    connect(Button("ButtonViewSmallIcon"), &QToolButton::clicked, this,
            [this] { SetViewStyle(1); });
    connect(Button("ButtonViewReport"), &QToolButton::clicked, this, [this] { SetViewStyle(3); });
}

void TMainForm::BuildBrowser() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Toolbar1);
    Notebook1 = new QStackedWidget(central);
    layout->addWidget(Notebook1);
    setCentralWidget(central);

    auto* dummyPage = new QWidget(Notebook1);
    dummyPage->setObjectName("DummyPage");
    auto* browserPage = new QSplitter(Notebook1);
    browserPage->setObjectName("BrowserPage");
    Notebook1->addWidget(browserPage);
    Notebook1->addWidget(dummyPage);

    auto* left = new QWidget(browserPage);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    StatusBar3 = new QLabel(left);
    StatusBar3->setFrameShape(QFrame::StyledPanel);
    leftLayout->addWidget(StatusBar3);
    TreeView = new QTreeView(left);
    TreeView->setHeaderHidden(true);
    TreeView->setUniformRowHeights(true);
    TreeView->setIndentation(19);
    TreeView->setModel(TreeModel);
    TreeView->setEditTriggers(QAbstractItemView::EditKeyPressed);
    leftLayout->addWidget(TreeView);

    auto* right = new QWidget(browserPage);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    StatusBar2 = new QLabel(right);
    StatusBar2->setFrameShape(QFrame::StyledPanel);
    StatusBar2->setTextFormat(Qt::PlainText);
    rightLayout->addWidget(StatusBar2);
    ListStack = new QStackedWidget(right);
    ListView1 = new QTreeView(ListStack);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::EditKeyPressed);
    ListView1->setModel(ListModel);
    ListView1->header()->setSectionsClickable(true);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    IconView = new QListView(ListStack);
    IconView->setModel(ListModel);
    IconView->setSelectionModel(ListView1->selectionModel());
    IconView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    IconView->setContextMenuPolicy(Qt::CustomContextMenu);
    IconView->setUniformItemSizes(true);
    ListStack->addWidget(ListView1);
    ListStack->addWidget(IconView);
    rightLayout->addWidget(ListStack);
    browserPage->addWidget(left);
    browserPage->addWidget(right);
    browserPage->setSizes({180, 960});

    TreeChangeTimer = new QTimer(this);
    TreeChangeTimer->setSingleShot(true);
    TreeChangeTimer->setInterval(100);
    connect(TreeChangeTimer, &QTimer::timeout, this, [this] {
        const QModelIndex current = TreeView->currentIndex();
        if (current.isValid()) {
            ApplyTreeChange(TreeModel->NodeOf(current));
        }
    });
    connect(TreeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { TreeChangeTimer->start(); });
    connect(TreeView, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        devices::TTreeNode* node = TreeModel->NodeOf(index);
        if (node != CurrentNode && !TreeChangeTimer->isActive()) {
            ApplyTreeChange(node);
        }
    });
    connect(TreeView, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        TreeModel->SetExpandedImage(TreeModel->NodeOf(index), true);
    });
    connect(TreeView, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        TreeModel->SetExpandedImage(TreeModel->NodeOf(index), false);
    });
    ListModel->OnRename = [this](devices::TListItem& item, std::string& name) {
        // A running search or save holds the items; names change only between operations.
        return !Busy && RenameItem(List, item, name);
    };
    TreeModel->OnExpandError = [this](const QString& message) {
        QMessageBox::critical(this, ProgramName, "Error: " + message);
    };

    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ListView1ColumnClick(column); });
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(ListView1), static_cast<QAbstractItemView*>(IconView)}) {
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { ListView1DblClick(); });
        connect(view, &QAbstractItemView::pressed, this, [this] {
            UpdateMenus();
            UpdateStatus();
        });
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
            UpdateMenus();
            UpdateStatus();
            ShowListPopup(view->viewport()->mapToGlobal(at));
        });
        view->viewport()->installEventFilter(new TListKeys(*this));
        view->installEventFilter(new TListKeys(*this));
    }
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        UpdateMenus();
        UpdateStatus();
    });

    PopupMenuBrowseFile = new QMenu(this);
    auto addPopup = [&](const char* caption, const char* target) {
        QAction* entry = PopupMenuBrowseFile->addAction(QString::fromUtf8(caption));
        entry->setObjectName(QString::fromUtf8(caption));
        m_Actions[QString("popup:") + caption] = entry;
        connect(entry, &QAction::triggered, Action(target), &QAction::trigger);
    };
    addPopup("&Save  to...", "&Save to...");
    PopupMenuBrowseFile->addSeparator();
    addPopup("&Properties...", "&Properties...");
    addPopup("&Rename...", "&Rename...");
    PopupMenuBrowseFile->addSeparator();
    addPopup("View as &hex dump...", "&hex dump...");
    addPopup("View as &text...", "&text...");
}

void TMainForm::BuildStatusBars() {
    const int widths[3] = {300, 150, 150};
    for (int i = 0; i < 3; ++i) {
        StatusBar1[i] = new QLabel(this);
        StatusBar1[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(StatusBar1[i]);
    }
    StatusBar1[0]->setText("Press F1 for help");
}

void TMainForm::UpdateMemoryUsage() {
    const struct mallinfo2 info = ::mallinfo2();
    StatusBar1[2]->setText(
        QString("Memory usage: %1 Bytes").arg(static_cast<qulonglong>(info.uordblks)));
}

void TMainForm::ApplyOptions() {
    const diskio::TOptions& options = diskio::Options();
    QFont font = TreeView ? TreeView->font() : QFont();
    if (!options.Font.Family.empty()) {
        font.setFamily(QString::fromStdString(options.Font.Family));
    }
    if (options.Font.PointSize > 0) {
        font.setPointSize(options.Font.PointSize);
    }
    if (TreeView) {
        TreeView->setFont(font);
        ListView1->setFont(font);
        IconView->setFont(font);
    }
    fat::ApplyAccessOptions();
}

void TMainForm::SetMode(int mode) {
    Mode = mode;
    // Everything off but what lies directly under View and Help (and Arrange items).
    for (const auto& [caption, action] : m_Actions) {
        const QString menu = action->property("menu").toString();
        action->setEnabled(menu == "&View" || menu == "&Help");
    }
    for (const auto& [name, button] : m_Buttons) {
        button->setEnabled(name == "Button1");
    }
    for (const char* caption :
         {"E&xit", "&Drive...", "&View as...", "&Options...", "&System info..."}) {
        Action(caption)->setEnabled(true);
    }
    for (const char* name : {"ButtonOpenDrive", "ButtonHelp", "ButtonViewList", "ButtonViewIcon",
                             "ButtonViewSmallIcon", "ButtonViewReport"}) {
        Button(name)->setEnabled(true);
    }
    if (mode == 1) {
        Notebook1->setCurrentWidget(Notebook1->findChild<QWidget*>("DummyPage"));
    } else {
        Notebook1->setCurrentWidget(Notebook1->findChild<QWidget*>("BrowserPage"));
        for (const char* caption : {"Select &all", "&Invert selection", "&Find lost data...",
                                    "&Drive info...", "&Find..."}) {
            Action(caption)->setEnabled(true);
        }
        Button("ButtonFind")->setEnabled(true);
        Button("ButtonFindLostData")->setEnabled(true);
    }
    UpdateMenus();
}

bool TMainForm::DetectAll() {
    return Session.DetectAll(StatusDialog->Model());
}

bool TMainForm::Rescan() {
    if (Busy) {
        return false;
    }
    Busy = true;
    // The scan frees every drive: the browser lets go of them first.
    ListModel->Clear();
    TreeModel->BeginReset();
    Tree.Clear();
    TreeModel->EndReset();
    CurrentNode = nullptr;
    CurrentDrive = nullptr;
    CurrentDevice = nullptr;
    const bool done = DetectAll();
    SetMode(1);
    Busy = false;
    return done;
}

void TMainForm::FindLostDrivesOn(devices::TDevice& device) {
    if (Busy) {
        return;
    }
    SectorDialog->SectorCount = device.TotalSectors;
    SectorDialog->StartSector = 0;
    SectorDialog->EndSector =
        std::min<uint32_t>(device.TotalSectors == 0 ? 0 : device.TotalSectors - 1, 100000);
    SectorDialog->BytesPerSector = device.BytesPerSector;
    if (!SectorDialog->Execute()) {
        return;
    }
    Busy = true;
    fat::FindLostDrives(device, SectorDialog->StartSector, SectorDialog->EndSector,
                        Session.DriveList, StatusDialog->Model());
    Busy = false;
}

void TMainForm::MenuDriveClick() {
    if (Busy) {
        return;
    }
    if (DeviceScanPending) {
        DeviceScanPending = false;
        Busy = true;
        const bool done = DetectAll();
        Busy = false;
        if (!done) {
            return;
        }
    }
    if (!DriveDlg->Execute()) {
        return;
    }
    OpenDrive(DriveDlg->DriveIndex, DriveDlg->FATIndex, DriveDlg->SkipBad);
}

bool TMainForm::OpenDrive(int driveIndex, int fatIndex, bool skipBad) {
    if (driveIndex < 0 || driveIndex >= Session.DriveList.Count()) {
        return false;
    }
    auto* drive = static_cast<fat::TFATdrive*>(Session.DriveList.Items(driveIndex));
    if (!drive->RootDir) {
        // Its boot sector could not be read: there is nothing to browse.
        QMessageBox::information(this, ProgramName,
                                 tr("The boot sector of this drive could not be read, so it "
                                    "cannot be opened."));
        return false;
    }
    CurrentDrive = drive;
    CurrentDevice = drive->Device;
    if (fatIndex >= 0) {
        drive->FATInUse = static_cast<uint8_t>(std::min<int>(fatIndex, drive->NumberOfFATs()));
    }
    drive->SkipBadClusters = skipBad;
    StatusBar3->setText("Folders");
    diskio::Log("drive selected: " + drive->Name, 1);
    SetMode(2);
    ResetBrowser();
    ListModel->BeginReset();
    List.Clear();
    List.Columns.clear();
    drive->SetupColumns(List);
    ListModel->EndReset();
    for (size_t i = 0; i < List.Columns.size(); ++i) {
        ListView1->setColumnWidth(static_cast<int>(i), List.Columns[i].Width);
    }
    return true;
}

void TMainForm::ResetBrowser() {
    ListModel->Clear();
    List.SortColumn = 0;
    List.SortDescending = false;
    TreeChangeTimer->stop();
    TreeView->selectionModel()->clear();
    CurrentNode = nullptr;
    TreeModel->BeginReset();
    Tree.Clear();
    if (CurrentDrive) {
        CurrentDrive->FillTree(Tree);
    }
    TreeModel->EndReset();
}

void TMainForm::FillList(devices::TCustomDirectory& folder, bool deletedMode) {
    BeginListUpdate();
    ListModel->Fill(folder, deletedMode);
    EndListUpdate();
    ++ListFills;
}

void TMainForm::RefreshList() {
    if (CurrentNode && CurrentNode->Data && CurrentNode->Data->IsDirectory()) {
        FillList(static_cast<devices::TCustomDirectory&>(*CurrentNode->Data),
                 TreeModel->DeletedModeOf(CurrentNode));
    }
    UpdateStatus();
}

void TMainForm::ApplyTreeChange(devices::TTreeNode* node) {
    TreeChangeTimer->stop();
    if (!node || !TreeView->isVisible()) {
        return;
    }
    if (!node->Data) {
        ListModel->Clear();
        return;
    }
    if (node->Data->IsDirectory()) {
        FillList(static_cast<devices::TCustomDirectory&>(*node->Data),
                 TreeModel->DeletedModeOf(node));
        CurrentNode = node;
        UpdateStatus();
    }
}

void TMainForm::DescendTo(devices::TCustomDirectory* folder) {
    if (!CurrentNode) {
        return;
    }
    const QModelIndex index = TreeModel->IndexOf(CurrentNode);
    if (TreeModel->canFetchMore(index)) {
        TreeModel->fetchMore(index);
    }
    TreeView->expand(index);
    for (const auto& child : CurrentNode->Children) {
        if (child->Data == folder) {
            CurrentNode = child.get();
            return;
        }
    }
}

void TMainForm::ListView1DblClick() {
    const std::vector<devices::TListItem*> selected = SelectedItems();
    if (selected.empty() || !selected.front()->Data || !selected.front()->Data->IsDirectory()) {
        return;
    }
    auto* folder = static_cast<devices::TCustomDirectory*>(selected.front()->Data);
    const bool deletedMode = TreeModel->DeletedModeOf(CurrentNode);
    DescendTo(folder);
    FillList(*folder, deletedMode);
    ListView1->setFocus();
    UpdateStatus();
}

void TMainForm::ButtonParentDirClick() {
    if (!CurrentNode || !CurrentNode->Parent || CurrentNode->Parent == &Tree.Root) {
        return;
    }
    devices::TTreeNode* parent = CurrentNode->Parent;
    TreeView->setCurrentIndex(TreeModel->IndexOf(parent));
    TreeChangeTimer->stop();
    if (parent->Data && parent->Data->IsDirectory()) {
        FillList(static_cast<devices::TCustomDirectory&>(*parent->Data),
                 TreeModel->DeletedModeOf(parent));
        ListView1->setFocus();
        CurrentNode = parent;
        UpdateStatus();
    }
}

void TMainForm::ListView1ColumnClick(int column) {
    const bool ascending = column == List.SortColumn ? List.SortDescending : true;
    SortBy(column, ascending);
}

void TMainForm::SortBy(int column, bool ascending) {
    List.SortColumn = column;
    List.SortDescending = !ascending;
    ListModel->Sort();
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(column,
                                          ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TMainForm::SyncSelection() {
    for (auto& item : List.Items) {
        item.Selected = false;
    }
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows()) {
        if (devices::TListItem* item = ListModel->Item(index.row())) {
            item->Selected = true;
        }
    }
}

std::vector<devices::TListItem*> TMainForm::SelectedItems() {
    SyncSelection();
    std::vector<devices::TListItem*> selected;
    QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : rows) {
        if (devices::TListItem* item = ListModel->Item(index.row())) {
            selected.push_back(item);
        }
    }
    return selected;
}

void TMainForm::UpdateMenus() {
    const std::vector<devices::TListItem*> selected = SelectedItems();
    auto enable = [&](std::initializer_list<const char*> captions, bool on) {
        for (const char* caption : captions) {
            if (QAction* action = Action(caption)) {
                action->setEnabled(on);
            }
        }
    };
    const auto viewEntries = {"&hex dump...", "&text...", "popup:View as &hex dump...",
                              "popup:View as &text..."};
    const auto singleEntries = {"&Rename...", "&Properties...", "popup:&Rename...",
                                "popup:&Properties..."};
    if (selected.empty()) {
        enable({"popup:&Save  to...", "&Save to..."}, false);
        enable(singleEntries, false);
        enable(viewEntries, false);
        Button("ButtonSaveTo")->setEnabled(false);
        return;
    }
    enable({"popup:&Save  to...", "&Save to..."}, true);
    Button("ButtonSaveTo")->setEnabled(true);
    const bool single = selected.size() == 1;
    enable(singleEntries, single);
    const bool file = single && selected.front()->Data && !selected.front()->Data->IsDirectory();
    enable(viewEntries, file);
}

void TMainForm::UpdateStatus() {
    if (UpdateLock > 0) {
        return;
    }
    if (CurrentNode && CurrentNode->Data && CurrentNode->Data->IsDirectory()) {
        const auto& folder = static_cast<const devices::TCustomDirectory&>(*CurrentNode->Data);
        StatusBar2->setText(
            QString("Content of '%1'")
                .arg(QString::fromStdString(diskio::ShortenPath(folder.GetPath(nullptr), 15))));
    }
    const std::vector<devices::TListItem*> selected = SelectedItems();
    uint64_t bytes = 0;
    auto add = [&](const devices::TListItem& item) {
        if (item.Data && !item.Data->IsDirectory()) {
            bytes += static_cast<const devices::TCustomFile&>(*item.Data).Size;
        }
    };
    if (selected.empty()) {
        for (const auto& item : List.Items) {
            add(item);
        }
        StatusBar1[0]->setText(QString("%1 Object(s)").arg(List.Items.size()));
    } else {
        for (const devices::TListItem* item : selected) {
            add(*item);
        }
        StatusBar1[0]->setText(QString("%1 Object(s) selected").arg(selected.size()));
    }
    StatusBar1[1]->setText(QString("%1 KB").arg(static_cast<qulonglong>(bytes / 1024)));
    const bool hasParent = CurrentNode && CurrentNode->Data && CurrentNode->Data->IsDirectory() &&
                           CurrentNode->Data->Parent != nullptr;
    Button("ButtonParentDir")->setEnabled(hasParent);
}

void TMainForm::MenuSelectAllClick() {
    ListView1->selectAll();
    UpdateMenus();
    UpdateStatus();
}

void TMainForm::MenuInvertSelectionClick() {
    QItemSelectionModel* selection = ListView1->selectionModel();
    const QSignalBlocker blocker(selection);
    for (int row = 0; row < ListModel->rowCount(); ++row) {
        selection->select(ListModel->index(row, 0),
                          QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    }
    ListView1->viewport()->update();
    IconView->viewport()->update();
}

void TMainForm::SetViewStyle(int style) {
    const char* captions[] = {"&Large Icons", "&Small Icons", "L&ist", "&Details"};
    if (style < 0 || style > 3) {
        return;
    }
    if (Action(captions[style])) {
        Action(captions[style])->setChecked(true);
    }
    if (style == 3) {
        ListStack->setCurrentWidget(ListView1);
        return;
    }
    IconView->setViewMode(style == 0 ? QListView::IconMode : QListView::ListMode);
    IconView->setIconSize(style == 0 ? QSize(32, 32) : QSize(16, 16));
    IconView->setFlow(style == 2 ? QListView::TopToBottom : QListView::LeftToRight);
    IconView->setWrapping(true);
    IconView->setResizeMode(QListView::Adjust);
    ListStack->setCurrentWidget(IconView);
}

void TMainForm::SaveSelected() {
    const std::vector<devices::TListItem*> selected = SelectedItems();
    if (Busy || selected.empty() || !selected.front()->Data) {
        return;
    }
    auto* drive = static_cast<fat::TFATdrive*>(selected.front()->Data->Drive);
    if (!drive) {
        return;
    }
    Busy = true;
    fat::TSaveEnvironment environment{StatusDialog->Model(), *DirSelectDialog,
                                      [this](bool on) { centralWidget()->setEnabled(on); }};
    fat::SaveItems(*drive, List, TreeModel->DeletedModeOf(CurrentNode), environment);
    Busy = false;
}

void TMainForm::ShowCategory(devices::TTreeNode* node) {
    if (!node) {
        return;
    }
    // The category's old nodes go with its old children; it can be expanded afresh.
    TreeModel->ClearChildren(node);
    if (node->Data && node->Data->IsDirectory()) {
        auto& folder = static_cast<devices::TCustomDirectory&>(*node->Data);
        folder.TreeFilled = false;
        node->HasChildren = folder.HasSubdirectories();
    }
    const QModelIndex index = TreeModel->IndexOf(node);
    TreeView->setCurrentIndex(index);
    ApplyTreeChange(node);
    TreeView->expand(index);
}

void TMainForm::MenuFindLostDataClick() {
    if (Busy || !CurrentDrive) {
        return;
    }
    // The list and the "Lost" nodes let go of what the search is about to free.
    if (CurrentNode && CurrentNode != Tree.RootNode && CurrentNode != Tree.DeletedNode) {
        ListModel->Clear();
        CurrentNode = nullptr;
    }
    TreeModel->ClearChildren(Tree.LostNode);
    Busy = true;
    fat::FindLostData(*CurrentDrive, StatusDialog->Model(), *ClusterDialog,
                      [this](bool on) { centralWidget()->setEnabled(on); });
    Busy = false;
    ShowCategory(Tree.LostNode);
}

void TMainForm::MenuFindClick() {
    if (Busy || !CurrentDrive) {
        return;
    }
    if (CurrentNode && CurrentNode != Tree.RootNode && CurrentNode != Tree.DeletedNode) {
        ListModel->Clear();
        CurrentNode = nullptr;
    }
    TreeModel->ClearChildren(Tree.SearchedNode);
    Busy = true;
    const bool searched = fat::FindByName(*CurrentDrive, *FindDialog);
    Busy = false;
    if (searched) {
        ShowCategory(Tree.SearchedNode);
        return;
    }
    // Stopped before it started: the results stay, and the node can be expanded again.
    auto& folder = static_cast<devices::TCustomDirectory&>(*CurrentDrive->SearchedDir);
    folder.TreeFilled = false;
    Tree.SearchedNode->HasChildren = folder.HasSubdirectories();
}

void TMainForm::ViewSelected(bool hex) {
    const std::vector<devices::TListItem*> selected = SelectedItems();
    if (Busy || !CurrentDrive || selected.empty() || !selected.front()->Data ||
        selected.front()->Data->IsDirectory()) {
        return;
    }
    auto& file = static_cast<fat::TFATFile&>(*selected.front()->Data);
    auto& drive = static_cast<fat::TFATdrive&>(*file.Drive);
    FATSelectDialog->ComboBoxFAT->clear();
    FATSelectDialog->ComboBoxFAT->addItem("no FAT (consecutive)");
    for (unsigned n = 1; n <= drive.NumberOfFATs(); ++n) {
        FATSelectDialog->ComboBoxFAT->addItem(QString("FAT %1").arg(n));
    }
    FATSelectDialog->ComboBoxFAT->setCurrentIndex(
        TreeModel->DeletedModeOf(CurrentNode)
            ? 0
            : std::min<int>(drive.FATInUse, drive.NumberOfFATs()));
    if (!FATSelectDialog->Execute()) {
        return;
    }
    const auto choice = static_cast<uint8_t>(std::clamp(FATSelectDialog->FATIndex, 0, 255));
    if (hex) {
        ViewerDialog->ViewAsHex(drive, file, choice);
    } else {
        ViewerDialog->ViewAsText(drive, file, choice);
    }
}

void TMainForm::MenuPropertiesClick() {
    const std::vector<devices::TListItem*> selected = SelectedItems();
    if (Busy || selected.size() != 1 || !selected.front()->Data) {
        return;
    }
    if (EditProperties(this, *selected.front())) {
        ListModel->RowChanged(static_cast<int>(selected.front() - List.Items.data()));
    }
}

void TMainForm::ShowListPopup(const QPoint& globalPosition) {
    PopupMenuBrowseFile->popup(globalPosition);
}

} // namespace tw::app
