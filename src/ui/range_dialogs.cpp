#include "ui/range_dialogs.h"

#include "devices/device.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace tw::ui {

namespace {

/// The highest sector the lost-drive search presets as the end of its range.
constexpr uint32_t PresetEndSectorLimit = 100000;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QGroupBox* MakeGroup(QWidget* parent, const QString& caption, QSlider*& slider, QLineEdit*& edit) {
    auto* group = new QGroupBox(caption, parent);
    slider = new QSlider(Qt::Horizontal, group);
    slider->setRange(0, diskio::RangeSliderMax);
    edit = new QLineEdit(group);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(slider);
    layout->addWidget(edit);
    return group;
}

} // namespace

TRangeDialogBase::TRangeDialogBase(QWidget* parent, const QString& caption, const QString& unit)
    : QDialog(parent) {
    setWindowTitle(caption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_StartGroup = MakeGroup(this, QString(), m_StartSlider, m_StartEdit);
    m_EndGroup = MakeGroup(this, QString(), m_EndSlider, m_EndEdit);
    m_StartGroup->setObjectName("GroupBox1");
    m_EndGroup->setObjectName("GroupBox2");
    m_StartSlider->setObjectName("TrackBarStart" + unit);
    m_EndSlider->setObjectName("TrackBarEnd" + unit);
    m_StartEdit->setObjectName("EditStart" + unit);
    m_EndEdit->setObjectName("EditEnd" + unit);
    m_StartSlider->setValue(0);
    m_EndSlider->setValue(diskio::RangeSliderMax);

    auto* sizeCaption = new QLabel("Size to scan:", this);
    sizeCaption->setObjectName("Label1");
    m_SizeLabel = new QLabel(this);
    m_SizeLabel->setObjectName("LabelSize");

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    auto* apply = new QPushButton("Apply", this);
    apply->setObjectName("Button1");
    apply->setAutoDefault(false);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    cancel->setAutoDefault(false);

    auto* left = new QVBoxLayout;
    left->addWidget(m_StartGroup);
    left->addWidget(m_EndGroup);
    auto* sizeLine = new QHBoxLayout;
    sizeLine->addWidget(sizeCaption);
    sizeLine->addWidget(m_SizeLabel, 1);
    left->addLayout(sizeLine);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_StartGroup->setMinimumWidth(260);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply, &QPushButton::clicked, this, [this] { ApplyClicked(); });
    connect(m_StartSlider, &QSlider::valueChanged, this,
            [this](int position) { StartSliderMoved(position); });
    connect(m_EndSlider, &QSlider::valueChanged, this,
            [this](int position) { EndSliderMoved(position); });
    connect(m_StartEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { StartEdited(text.toStdString()); });
    connect(m_EndEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { EndEdited(text.toStdString()); });
}

void TRangeDialogBase::ShowRange(const std::string& startCaption, const std::string& endCaption,
                                 int startPosition, int endPosition, const std::string& startText,
                                 const std::string& endText, const std::string& sizeText) {
    m_StartGroup->setTitle(Text(startCaption));
    m_EndGroup->setTitle(Text(endCaption));
    {
        const QSignalBlocker startBlocker(m_StartSlider);
        const QSignalBlocker endBlocker(m_EndSlider);
        m_StartSlider->setValue(startPosition);
        m_EndSlider->setValue(endPosition);
    }
    // Rewriting an edit the user is typing in would move the cursor; only changes go in.
    if (m_StartEdit->text() != Text(startText)) {
        m_StartEdit->setText(Text(startText));
    }
    if (m_EndEdit->text() != Text(endText)) {
        m_EndEdit->setText(Text(endText));
    }
    m_SizeLabel->setText(Text(sizeText));
}

TSectorDialog::TSectorDialog(QWidget* parent)
    : TRangeDialogBase(parent, "Select sector range", "Sec") {
    setObjectName("SectorDialog");
}

void TSectorDialog::Preset(const devices::TDevice& device) {
    SectorCount = device.TotalSectors;
    StartSector = 0;
    EndSector = std::min(SectorCount == 0 ? 0 : SectorCount - 1, PresetEndSectorLimit);
    BytesPerSector = device.BytesPerSector;
}

bool TSectorDialog::Execute() {
    m_Model.SectorCount = SectorCount;
    m_Model.StartSector = StartSector;
    m_Model.EndSector = EndSector;
    m_Model.BytesPerSector = BytesPerSector;
    m_Model.DecimalSeparator = QLocale().decimalPoint().toStdString();
    m_Model.Activate();
    Refresh();
    if (exec() != QDialog::Accepted) {
        return false;
    }
    m_Model.Accept();
    StartSector = m_Model.StartSector;
    EndSector = m_Model.EndSector;
    return true;
}

void TSectorDialog::StartSliderMoved(int position) {
    m_Model.StartSliderChanged(position);
    Refresh();
}

void TSectorDialog::EndSliderMoved(int position) {
    m_Model.EndSliderChanged(position);
    Refresh();
}

void TSectorDialog::StartEdited(const std::string& text) {
    m_Model.StartText = text;
}

void TSectorDialog::EndEdited(const std::string& text) {
    m_Model.EndText = text;
}

void TSectorDialog::ApplyClicked() {
    m_Model.UpdateSize();
    Refresh();
}

void TSectorDialog::Refresh() {
    ShowRange(m_Model.StartCaption, m_Model.EndCaption, m_Model.StartSliderPosition,
              m_Model.EndSliderPosition, m_Model.StartText, m_Model.EndText, m_Model.SizeText);
}

TClusterDialogWindow::TClusterDialogWindow(QWidget* parent)
    : TRangeDialogBase(parent, "Select cluster range", "Clus") {
    setObjectName("ClusterDialog");
}

bool TClusterDialogWindow::Execute() {
    m_Model.ClusterCount = ClusterCount;
    m_Model.StartCluster = StartCluster;
    m_Model.EndCluster = EndCluster;
    m_Model.BytesPerCluster = BytesPerCluster;
    m_Model.Activate();
    Refresh();
    if (exec() != QDialog::Accepted) {
        return false;
    }
    m_Model.Accept();
    StartCluster = m_Model.StartCluster;
    EndCluster = m_Model.EndCluster;
    return true;
}

void TClusterDialogWindow::StartSliderMoved(int position) {
    m_Model.StartSliderChanged(position);
    Refresh();
}

void TClusterDialogWindow::EndSliderMoved(int position) {
    m_Model.EndSliderChanged(position);
    Refresh();
}

void TClusterDialogWindow::StartEdited(const std::string& text) {
    m_Model.StartText = text;
}

void TClusterDialogWindow::EndEdited(const std::string& text) {
    m_Model.EndText = text;
}

void TClusterDialogWindow::ApplyClicked() {
    m_Model.UpdateSize();
    Refresh();
}

void TClusterDialogWindow::Refresh() {
    ShowRange(m_Model.StartCaption, m_Model.EndCaption, m_Model.StartSliderPosition,
              m_Model.EndSliderPosition, m_Model.StartText, m_Model.EndText, m_Model.SizeText);
}

} // namespace tw::ui
