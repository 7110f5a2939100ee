#include "app/item_properties_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tw::app {

std::optional<uint32_t> ParseUnsigned32(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const QChar c : text) {
        // QChar::isDigit would take Arabic-Indic and other digits too.
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(c.unicode() - u'0');
        if (value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    return static_cast<uint32_t>(value);
}

TItemPropertiesDialog::TItemPropertiesDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("ItemPropertiesDialog");
    setWindowTitle("Item properties");
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    EditName = new QLineEdit(this);
    EditName->setObjectName("EditName");
    EditCluster = new QLineEdit(this);
    EditCluster->setObjectName("EditCluster");
    EditSize = new QLineEdit(this);
    EditSize->setObjectName("EditSize");
    EditName->setMinimumWidth(240);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &TItemPropertiesDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(EditCluster, &QLineEdit::textChanged, this, [this] { UpdateOK(); });
    connect(EditSize, &QLineEdit::textChanged, this, [this] { UpdateOK(); });

    auto* fields = new QFormLayout;
    fields->addRow("Name:", EditName);
    fields->addRow("Cluster:", EditCluster);
    fields->addRow("Size:", EditSize);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TItemPropertiesDialog::Execute() {
    EditName->setText(QString::fromStdString(ItemName));
    EditCluster->setText(QString::number(ItemCluster));
    EditSize->setText(QString::number(ItemSize));
    UpdateOK();
    EditName->setFocus();
    if (exec() != QDialog::Accepted) {
        return false;
    }
    ItemName = EditName->text().toStdString();
    ItemCluster = *ParseUnsigned32(EditCluster->text());
    ItemSize = *ParseUnsigned32(EditSize->text());
    return true;
}

void TItemPropertiesDialog::accept() {
    // Enter reaches the default button only while it is enabled, but accept() is public.
    if (ParseUnsigned32(EditCluster->text()) && ParseUnsigned32(EditSize->text())) {
        QDialog::accept();
    }
}

void TItemPropertiesDialog::UpdateOK() {
    OKBtn->setEnabled(ParseUnsigned32(EditCluster->text()) && ParseUnsigned32(EditSize->text()));
}

} // namespace tw::app
