#include "app/fat_select_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tw::app {

TFATSelectDialog::TFATSelectDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("FATSelectDialog");
    setWindowTitle("Select FAT");
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* label =
        new QLabel("The data to be read is determined via corresponding clusters from:", this);
    ComboBoxFAT = new QComboBox(this);
    ComboBoxFAT->setObjectName("ComboBoxFAT");
    auto* note = new QLabel(
        "Note: Select 'no FAT' if data has been deleted or drive has been quick-formatted!", this);
    note->setObjectName("LabelNote");
    note->setWordWrap(true);
    note->setStyleSheet("QLabel { color: green; font-weight: bold; }");

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(ComboBoxFAT);
    layout->addWidget(note);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TFATSelectDialog::Execute() {
    if (exec() != QDialog::Accepted) {
        return false;
    }
    if (ComboBoxFAT->currentIndex() >= 0) {
        FATIndex = ComboBoxFAT->currentIndex();
    }
    return true;
}

} // namespace tw::app
