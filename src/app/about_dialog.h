#pragma once

#include <QDialog>

class QColor;
class QFrame;
class QLabel;
class QMenu;

namespace tw::app {

/// "About": program name, version and the vendor's two update addresses as links. A click on
/// the box's background or any key closes it. The links turn blue under the mouse and navy
/// again over the rest of the panel; a click opens the address in the web browser; the
/// panel's context menu "Copy link" copies the address it was opened on. Object names:
/// Image1, Label1, Panel2, Label6, Label4, Label7, Label11, LabelHTMLaddress1,
/// LabelHTMLaddress2, Label8, Button1 and PopupMenu1 with its item CopyHTMLaddress1.
/// Show it with exec().
class TAboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDialog(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] QLabel* LinkAt(QObject* object) const;
    static void SetLinkColour(QLabel* link, const QColor& colour);

    QFrame* m_Panel;
    QLabel* m_Links[2];
    QMenu* m_Menu;
    /// The link label the context menu was opened on, or null.
    QLabel* m_MenuLink = nullptr;
};

} // namespace tw::app
