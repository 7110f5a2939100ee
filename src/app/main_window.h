#pragma once

#include "devices/view_model.h"
#include "fat/session.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QListView;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTimer;
class QTreeView;
class QToolButton;

namespace tw::fat {
class TFATdrive;
}

namespace tw::ui {
class TViewerDialog;
class TClusterDialogWindow;
class TDebugBoxWindow;
class TFolderTreeModel;
class TItemListModel;
class TQtPrompter;
class TStatusDialogWindow;
class TSectorDialog;
} // namespace tw::ui

namespace tw::app {

class TDriveDlg;
class TDriveInfoDialog;
class TOptionsDialog;
class TDirSelectDialogWindow;
class TFindDialogWindow;
class TFATSelectDialog;
class TWelcomeDialog;
class TAboutDialog;
class TForm3;
class TDialogSystemInfo;

/// The main window: the open drive's folder tree and item list, the toolbar, the hidden
/// menu whose shortcuts act, and the three status bars. It holds the state of the run.
class TMainForm final : public QMainWindow {
public:
    /// arguments: the program's arguments after the device options; a first "DEBUG" shows
    /// the log window.
    explicit TMainForm(const QStringList& arguments);
    ~TMainForm() override;

    // State of the run.
    int Mode = 0;
    bool DeviceScanPending = true;
    fat::TRecoverySession Session;
    fat::TFATdrive* CurrentDrive = nullptr;
    devices::TDevice* CurrentDevice = nullptr;
    devices::TTreeNode* CurrentNode = nullptr;
    int UpdateLock = 0;
    /// A scan, search or save is running: commands that would touch the lists wait.
    bool Busy = false;
    QString SkinName;
    QString ProgramName;

    void SetMode(int mode);
    void ApplyOptions();
    bool DetectAll();
    void MenuDriveClick();
    void ResetBrowser();
    void RefreshList();
    void DescendTo(devices::TCustomDirectory* folder);
    void UpdateMenus();
    void UpdateStatus();
    void BeginListUpdate() { ++UpdateLock; }
    void EndListUpdate() {
        if (UpdateLock > 0) {
            --UpdateLock;
        }
    }
    void ButtonParentDirClick();
    void ListView1DblClick();
    void ListView1ColumnClick(int column);
    void SortBy(int column, bool ascending);
    void MenuSelectAllClick();
    void MenuInvertSelectionClick();
    /// The view styles: 0 large icons, 1 small icons, 2 list, 3 details.
    void SetViewStyle(int style);
    /// Runs the tree-change handling for a node at once (the debounce has passed).
    void ApplyTreeChange(devices::TTreeNode* node);
    /// Opens the drive at this index of the drive list as the drive dialog's OK does.
    bool OpenDrive(int driveIndex, int fatIndex, bool skipBad);
    /// The rescan of the drive dialog: DetectAll, then the browser lets go of freed objects.
    bool Rescan();
    /// The lost-partition search of a device with the sector range dialog.
    void FindLostDrivesOn(devices::TDevice& device);
    /// Saves the selected items to a folder the user picks.
    void SaveSelected();
    /// The lost-data search of the open drive; "Lost" is selected and expanded afterwards.
    void MenuFindLostDataClick();
    /// The name search of the open drive; "Searched" is shown afterwards.
    void MenuFindClick();
    void MenuPropertiesClick();
    /// View as hex dump (hex true) or as text, after the FAT choice.
    void ViewSelected(bool hex);
    /// Selects a category node, refilling its children from its folder.
    void ShowCategory(devices::TTreeNode* node);

    // Widgets and models, reachable for tests.
    devices::TTreeView Tree;
    devices::TListView List;
    ui::TFolderTreeModel* TreeModel = nullptr;
    ui::TItemListModel* ListModel = nullptr;
    QTreeView* TreeView = nullptr;
    QTreeView* ListView1 = nullptr;
    QListView* IconView = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QStackedWidget* ListStack = nullptr;
    QLabel* StatusBar1[3] = {};
    QLabel* StatusBar2 = nullptr;
    QLabel* StatusBar3 = nullptr;
    QWidget* Toolbar1 = nullptr;
    QTimer* TreeChangeTimer = nullptr;
    ui::TStatusDialogWindow* StatusDialog = nullptr;
    ui::TDebugBoxWindow* DebugBox = nullptr;
    TDriveDlg* DriveDlg = nullptr;
    ui::TSectorDialog* SectorDialog = nullptr;
    TDriveInfoDialog* DriveInfoDialog = nullptr;
    TOptionsDialog* OptionsDialog = nullptr;
    TDirSelectDialogWindow* DirSelectDialog = nullptr;
    TFindDialogWindow* FindDialog = nullptr;
    ui::TClusterDialogWindow* ClusterDialog = nullptr;
    TFATSelectDialog* FATSelectDialog = nullptr;
    ui::TViewerDialog* ViewerDialog = nullptr;
    TWelcomeDialog* WelcomeDialog = nullptr;
    TAboutDialog* AboutDialog = nullptr;
    TForm3* SupportForm = nullptr;
    TDialogSystemInfo* SystemInfoDialog = nullptr;
    /// The welcome dialog is shown at the first activation only (tests switch it off).
    bool WelcomeShown = false;
    /// Runs a recovery mode of the welcome dialog: 1 undelete, 2 find lost data, 3 lost
    /// partitions.
    void RunWelcomeMode(int mode);
    QMenu* PopupMenuBrowseFile = nullptr;

    /// Actions by their menu caption ("&Save to...") and toolbar buttons by name
    /// ("ButtonSaveTo").
    QAction* Action(const QString& caption) const;
    QToolButton* Button(const QString& name) const;
    /// Number of list fills so far (tests check the debounce).
    int ListFills = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildActions();
    void BuildToolbar();
    void BuildBrowser();
    void BuildStatusBars();
    void FillList(devices::TCustomDirectory& folder, bool deletedMode);
    void SyncSelection();
    [[nodiscard]] std::vector<devices::TListItem*> SelectedItems();
    void ShowListPopup(const QPoint& globalPosition);
    void TreeSelectionChanged();
    void UpdateMemoryUsage();

    std::unique_ptr<ui::TQtPrompter> m_Prompter;
    std::map<QString, QAction*> m_Actions;
    std::map<QString, QToolButton*> m_Buttons;
};

/// The protected start-up steps failed with this message (tests read it).
QString StartupError();

} // namespace tw::app
