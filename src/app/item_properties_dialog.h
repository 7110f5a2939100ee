#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace tw::app {

/// "Item properties": the name, first cluster and size of one list item, editable. The
/// caller fills the three fields before Execute and reads them after it.
class TItemPropertiesDialog final : public QDialog {
    Q_OBJECT
public:
    explicit TItemPropertiesDialog(QWidget* parent = nullptr);

    std::string ItemName;
    uint32_t ItemCluster = 0;
    uint32_t ItemSize = 0;

    QLineEdit* EditName;
    QLineEdit* EditCluster;
    QLineEdit* EditSize;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    /// Shows the fields modally. OK (enabled only while both numbers read as unsigned
    /// 32-bit decimals) stores the edits in the fields and answers true; Cancel, Escape and
    /// the close box leave the fields and answer false.
    bool Execute();
    void accept() override;

private:
    void UpdateOK();
};

/// An unsigned 32-bit decimal: one or more digits (leading zeros allowed), nothing else,
/// no more than 4294967295.
std::optional<uint32_t> ParseUnsigned32(const QString& text);

} // namespace tw::app
