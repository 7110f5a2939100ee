#pragma once

#include "diskio/range_model.h"
#include "fat/lost_data_search.h"

#include <QDialog>

#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tw::devices {
class TDevice;
}

namespace tw::ui {

/// The widgets both range dialogs share: two group boxes with a slider (0 to
/// diskio::RangeSliderMax) and an edit each, the size line, and OK, Apply and Cancel in a
/// column at the right. The widgets carry the object names GroupBox1, GroupBox2, LabelSize,
/// OKBtn, Button1 (Apply), CancelBtn, and TrackBarStart, TrackBarEnd, EditStart and EditEnd
/// followed by the unit ("Sec" or "Clus").
class TRangeDialogBase : public QDialog {
    Q_OBJECT
public:
    TRangeDialogBase(QWidget* parent, const QString& caption, const QString& unit);

protected:
    /// Copies captions, slider positions, edit texts and the size line into the widgets;
    /// moving the sliders here does not count as the user's move.
    void ShowRange(const std::string& startCaption, const std::string& endCaption,
                   int startPosition, int endPosition, const std::string& startText,
                   const std::string& endText, const std::string& sizeText);
    /// The model behind the widgets reacts to the user.
    virtual void StartSliderMoved(int position) = 0;
    virtual void EndSliderMoved(int position) = 0;
    virtual void StartEdited(const std::string& text) = 0;
    virtual void EndEdited(const std::string& text) = 0;
    virtual void ApplyClicked() = 0;

private:
    QGroupBox* m_StartGroup;
    QGroupBox* m_EndGroup;
    QSlider* m_StartSlider;
    QSlider* m_EndSlider;
    QLineEdit* m_StartEdit;
    QLineEdit* m_EndEdit;
    QLabel* m_SizeLabel;
};

/// "Select sector range": the range of absolute device sectors that the lost-drive search
/// scans. Created once and reused; every Execute starts from the four fields.
class TSectorDialog final : public TRangeDialogBase {
    Q_OBJECT
public:
    explicit TSectorDialog(QWidget* parent = nullptr);

    uint32_t SectorCount = 0;
    uint32_t StartSector = 0;
    uint32_t EndSector = 0;
    uint16_t BytesPerSector = 512;

    /// The presets of a device's lost-drive search: the whole device, the range 0 to the
    /// smaller of its last sector and 100000.
    void Preset(const devices::TDevice& device);
    /// Shows the dialog modally. OK stores each edit that is a whole number in its field and
    /// answers true; Cancel, Escape and the close box leave the fields and answer false.
    bool Execute();

private:
    void StartSliderMoved(int position) override;
    void EndSliderMoved(int position) override;
    void StartEdited(const std::string& text) override;
    void EndEdited(const std::string& text) override;
    void ApplyClicked() override;
    void Refresh();

    diskio::TSectorRangeModel m_Model;
};

/// "Select cluster range": the range of data clusters that the lost-data search scans. The
/// sliders keep their positions between showings, and the edits are derived from them.
class TClusterDialogWindow final : public TRangeDialogBase, public fat::TClusterDialog {
    Q_OBJECT
public:
    explicit TClusterDialogWindow(QWidget* parent = nullptr);

    /// Shows the dialog modally; on OK copies the edits that are whole numbers into
    /// StartCluster and EndCluster and answers true.
    bool Execute() override;

private:
    void StartSliderMoved(int position) override;
    void EndSliderMoved(int position) override;
    void StartEdited(const std::string& text) override;
    void EndEdited(const std::string& text) override;
    void ApplyClicked() override;
    void Refresh();

    diskio::TClusterRangeModel m_Model;
};

} // namespace tw::ui
