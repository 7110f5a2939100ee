#pragma once

#include "diskio/options.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;

namespace tw::app {

/// The options dialog over the one options record: pages "Display", "Files" and "Drive
/// access". Nothing is stored on disk.
class TOptionsDialog final : public QDialog {
public:
    TOptionsDialog(diskio::TOptions& options, QWidget* parent = nullptr);
    /// Fills the controls from the record and shows the dialog; on OK the controls go into
    /// the record and the answer is true.
    bool Edit();
    /// The controls into the record.
    void StoreOptions();
    /// "&Save": after the warning, the controls go into the record; the dialog stays open.
    void ButtonSaveClick();
    void ButtonSelectFontClick();

    QTabWidget* Pages = nullptr;
    QLineEdit* EditFont = nullptr;
    QLabel* PanelSample = nullptr;
    QRadioButton* RadioButtonCharAnsi = nullptr;
    QRadioButton* RadioButtonCharMultibyte = nullptr;
    QLineEdit* EditDeletedCharAnsi = nullptr;
    QLineEdit* EditDeletedCharMultibyte = nullptr;
    QCheckBox* CheckBoxFindLostFiles = nullptr;
    QLineEdit* EditLostDefaultSize = nullptr;
    QGroupBox* GroupBoxPhysical9X = nullptr;
    QGroupBox* GroupBoxLogical9X = nullptr;
    QCheckBox* CheckBoxUserINT13 = nullptr;
    QCheckBox* CheckBoxUserINT13EXT = nullptr;
    QCheckBox* CheckBoxUserINT25 = nullptr;
    QCheckBox* CheckBoxEnableCache = nullptr;
    QCheckBox* CheckBoxEnableWinErrorMsg = nullptr;

private:
    void Fill();
    diskio::TOptions& m_Options;
    QFont m_SampleFont;
};

} // namespace tw::app
