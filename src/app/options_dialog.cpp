#include "app/options_dialog.h"

#include "diskio/physical_disk_io.h"
#include "platform/prompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tw::app {

TOptionsDialog::TOptionsDialog(diskio::TOptions& options, QWidget* parent)
    : QDialog(parent), m_Options(options) {
    setWindowTitle("Options");
    auto* layout = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    layout->addWidget(Pages);

    auto* display = new QWidget(Pages);
    auto* displayLayout = new QVBoxLayout(display);
    auto* fileList = new QGroupBox("File list", display);
    auto* fileListForm = new QFormLayout(fileList);
    auto* fontRow = new QHBoxLayout();
    EditFont = new QLineEdit(fileList);
    EditFont->setReadOnly(true);
    auto* selectFont = new QPushButton("S&elect...", fileList);
    fontRow->addWidget(EditFont);
    fontRow->addWidget(selectFont);
    fileListForm->addRow("Font:", fontRow);
    PanelSample = new QLabel("AaBbYyZz", fileList);
    PanelSample->setFrameShape(QFrame::Panel);
    PanelSample->setFrameShadow(QFrame::Sunken);
    fileListForm->addRow("Sample:", PanelSample);
    displayLayout->addWidget(fileList);
    displayLayout->addStretch();
    Pages->addTab(display, "Display");

    auto* files = new QWidget(Pages);
    auto* filesLayout = new QVBoxLayout(files);
    auto* deletedChar = new QGroupBox("Deleted character", files);
    auto* deletedForm = new QFormLayout(deletedChar);
    RadioButtonCharAnsi = new QRadioButton("1 Byte (Ansi):", deletedChar);
    EditDeletedCharAnsi = new QLineEdit(deletedChar);
    EditDeletedCharAnsi->setMaxLength(1);
    RadioButtonCharMultibyte = new QRadioButton("2 Byte (multi-byte):", deletedChar);
    EditDeletedCharMultibyte = new QLineEdit(deletedChar);
    EditDeletedCharMultibyte->setMaxLength(2);
    deletedForm->addRow(RadioButtonCharAnsi, EditDeletedCharAnsi);
    deletedForm->addRow(RadioButtonCharMultibyte, EditDeletedCharMultibyte);
    filesLayout->addWidget(deletedChar);
    auto* lostFiles = new QGroupBox("Lost files", files);
    auto* lostForm = new QFormLayout(lostFiles);
    CheckBoxFindLostFiles = new QCheckBox("Find lost files", lostFiles);
    lostForm->addRow(CheckBoxFindLostFiles,
                     new QLabel("(files not referenced from a directory)", lostFiles));
    EditLostDefaultSize = new QLineEdit(lostFiles);
    lostForm->addRow("Default file size:", EditLostDefaultSize);
    filesLayout->addWidget(lostFiles);
    filesLayout->addStretch();
    Pages->addTab(files, "Files");

    auto* access = new QWidget(Pages);
    auto* accessLayout = new QVBoxLayout(access);
    GroupBoxPhysical9X = new QGroupBox("Physical drives (Win9x)", access);
    auto* physical = new QVBoxLayout(GroupBoxPhysical9X);
    CheckBoxUserINT13 = new QCheckBox("Use BIOS services (INT13)", GroupBoxPhysical9X);
    CheckBoxUserINT13EXT =
        new QCheckBox("Use BIOS services (INT13 Extensions)", GroupBoxPhysical9X);
    physical->addWidget(CheckBoxUserINT13);
    physical->addWidget(CheckBoxUserINT13EXT);
    accessLayout->addWidget(GroupBoxPhysical9X);
    GroupBoxLogical9X = new QGroupBox("Logical drives (Win9x)", access);
    auto* logical = new QVBoxLayout(GroupBoxLogical9X);
    CheckBoxUserINT25 =
        new QCheckBox("Use Windows 'absolute read' services (INT25) ", GroupBoxLogical9X);
    logical->addWidget(CheckBoxUserINT25);
    accessLayout->addWidget(GroupBoxLogical9X);
    CheckBoxEnableCache = new QCheckBox("Enable read-ahead caching", access);
    CheckBoxEnableWinErrorMsg = new QCheckBox("Enable Windows serious error messages", access);
    accessLayout->addWidget(CheckBoxEnableCache);
    accessLayout->addWidget(CheckBoxEnableWinErrorMsg);
    accessLayout->addStretch();
    Pages->addTab(access, "Drive access");

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    auto* save = buttons->addButton("&Save", QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, [this] { ButtonSaveClick(); });
    connect(selectFont, &QPushButton::clicked, this, [this] { ButtonSelectFontClick(); });
}

void TOptionsDialog::Fill() {
    CheckBoxUserINT13->setChecked(m_Options.UseINT13);
    CheckBoxUserINT13EXT->setChecked(m_Options.UseINT13EXT);
    CheckBoxUserINT25->setChecked(m_Options.UseINT25);
    CheckBoxEnableWinErrorMsg->setChecked(m_Options.EnableWinErrorMsg);
    CheckBoxEnableCache->setChecked(m_Options.EnableCache);
    CheckBoxFindLostFiles->setChecked(m_Options.FindLostFiles);
    m_SampleFont = font();
    if (!m_Options.Font.Family.empty()) {
        m_SampleFont.setFamily(QString::fromStdString(m_Options.Font.Family));
    }
    if (m_Options.Font.PointSize > 0) {
        m_SampleFont.setPointSize(m_Options.Font.PointSize);
    }
    PanelSample->setFont(m_SampleFont);
    EditFont->setText(m_SampleFont.family());
    EditLostDefaultSize->setText(QString::number(m_Options.LostDefaultSize));
    EditDeletedCharAnsi->setText(QString::fromStdString(m_Options.DeletedCharAnsi));
    EditDeletedCharMultibyte->setText(QString::fromStdString(m_Options.DeletedCharMultibyte));
    RadioButtonCharMultibyte->setChecked(m_Options.CharMultibyte);
    RadioButtonCharAnsi->setChecked(!m_Options.CharMultibyte);
    // The 9x switches have no effect on the NT family: shown, but not changeable.
    const bool nt = diskio::IsWindowsNT();
    GroupBoxPhysical9X->setEnabled(!nt);
    GroupBoxLogical9X->setEnabled(!nt);
}

void TOptionsDialog::StoreOptions() {
    m_Options.UseINT13 = CheckBoxUserINT13->isChecked();
    m_Options.UseINT13EXT = CheckBoxUserINT13EXT->isChecked();
    m_Options.UseINT25 = CheckBoxUserINT25->isChecked();
    m_Options.EnableWinErrorMsg = CheckBoxEnableWinErrorMsg->isChecked();
    m_Options.EnableCache = CheckBoxEnableCache->isChecked();
    m_Options.FindLostFiles = CheckBoxFindLostFiles->isChecked();
    m_Options.Font.Family = m_SampleFont.family().toStdString();
    m_Options.Font.PointSize = m_SampleFont.pointSize();
    m_Options.DeletedCharAnsi = EditDeletedCharAnsi->text().toStdString();
    m_Options.DeletedCharMultibyte = EditDeletedCharMultibyte->text().toStdString();
    m_Options.CharMultibyte = RadioButtonCharMultibyte->isChecked();
    m_Options.LostDefaultSize =
        diskio::ReadDefaultSizeNumber(EditLostDefaultSize->text().toStdString());
}

bool TOptionsDialog::Edit() {
    Fill();
    Pages->setCurrentIndex(0);
    if (exec() != QDialog::Accepted) {
        return false;
    }
    StoreOptions();
    return true;
}

void TOptionsDialog::ButtonSaveClick() {
    const platform::TPromptAnswer answer = platform::Prompter().Ask(
        platform::TPrompt{"",
                          "If you save the options any lost or deleted data\ron the system drive "
                          "may be overwritten!\r\rAre you sure to proceed?",
                          platform::TPromptIcon::piWarning, platform::TPromptButtons::pbYesNo});
    if (answer == platform::TPromptAnswer::paYes) {
        StoreOptions();
        m_Options.Save();
    }
}

void TOptionsDialog::ButtonSelectFontClick() {
    QFontDialog dialog(m_SampleFont, this);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QFont chosen = dialog.selectedFont();
    // Sizes 8 to 14 only.
    chosen.setPointSize(std::clamp(chosen.pointSize(), 8, 14));
    m_SampleFont = chosen;
    EditFont->setText(chosen.family());
    PanelSample->setFont(chosen);
}

} // namespace tw::app
