#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace tw::app {

/// "选择恢复模式": the three recovery modes as big picture buttons, shown once per run when
/// the main window is first activated. Object names: Label3 (contact line, a click opens the
/// vendor's QQ chat), ButtonUndelete, ButtonFindLostData, ButtonFindLostDrive with their labels
/// Label1, Label20, Label27, BitBtn4 (QQ chat) and OKBtn ("关闭").
class TWelcomeDialog final : public QDialog {
    Q_OBJECT
public:
    explicit TWelcomeDialog(QWidget* parent = nullptr);

    static constexpr int ModeUndelete = 1;      ///< open a drive, then show its deleted items
    static constexpr int ModeFindLostData = 2;  ///< open a drive, then find lost data
    static constexpr int ModeFindLostDrive = 3; ///< open a drive from the physical-disk page

    /// The main window's flow for a mode button. It runs with the dialog already hidden, so
    /// the drive dialog it opens stands alone; afterwards the dialog closes with OK whatever
    /// the flow did (a cancelled drive selection included).
    std::function<void(int mode)> OnMode;

    /// Shows the dialog modally, centred on the screen; true when it closed with OK (a mode
    /// button, "关闭" or Escape), false for the close box.
    bool Execute();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunMode(int mode);

    QLabel* m_Contact;
    QPushButton* m_OK;
};

} // namespace tw::app
