#pragma once

#include "fat/saving.h"

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace tw::app {

/// The destination of a save: a folder of this machine picked in a folder tree (or typed
/// into the path box above it), and the FAT choice through which the files are read.
/// Created once; the folder picked stays picked for the next save.
class TDirSelectDialogWindow final : public QDialog, public fat::TDirSelectDialog {
    Q_OBJECT
public:
    explicit TDirSelectDialogWindow(QWidget* parent = nullptr);

    /// The path box: the chosen folder's path with the folders above it; editable.
    QComboBox* ShellComboBox1;
    QTreeView* ShellTreeView1;
    /// The chosen folder's path with "/" appended.
    QLabel* Label2;
    QComboBox* ComboBoxFAT;
    QPushButton* Button1;
    QPushButton* Button2;

    /// Fills ComboBoxFAT with FATChoices, SelectedFAT preselected, and shows the dialog
    /// modally. OK: SelectedFAT := the chosen entry (-1 only when FATChoices is empty),
    /// Directory := the chosen folder's path, true. Cancel, Escape, close box: false, the
    /// fields unchanged.
    bool Execute() override;
    /// Makes path (an existing folder) the chosen one; false when it is not a folder.
    bool SelectDirectory(const QString& path);
    /// The chosen folder's path (no "/" appended, except for the root "/").
    [[nodiscard]] QString ChosenPath() const { return m_Path; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPath(const QString& path);
    void PathTyped();

    QFileSystemModel* m_Model;
    QString m_Path;
};

} // namespace tw::app
