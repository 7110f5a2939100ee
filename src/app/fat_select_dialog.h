#pragma once

#include <QDialog>

class QComboBox;

namespace tw::app {

/// "Select FAT": the FAT copy, or none, through which a file's data is read for viewing. The
/// caller fills ComboBoxFAT before Execute.
class TFATSelectDialog final : public QDialog {
    Q_OBJECT
public:
    explicit TFATSelectDialog(QWidget* parent = nullptr);

    /// Item of the combo box at the last OK: 0 for no FAT, k for FAT copy k.
    int FATIndex = 0;
    QComboBox* ComboBoxFAT;

    /// Shows the dialog modally. OK with an item chosen stores its index in FATIndex and
    /// answers true; OK with no item keeps FATIndex. Cancel and Escape answer false and keep
    /// FATIndex.
    bool Execute();
};

} // namespace tw::app
