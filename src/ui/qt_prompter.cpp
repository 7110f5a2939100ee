#include "ui/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>

namespace tw::ui {

platform::TPromptAnswer TQtPrompter::Ask(const platform::TPrompt& prompt) {
    using platform::TPromptAnswer;
    using platform::TPromptButtons;
    QMessageBox box(m_Owner ? m_Owner : QApplication::activeWindow());
    QString text = QString::fromStdString(prompt.Text);
    text.replace("\r\n", "\n").replace('\r', '\n');
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(prompt.Caption.empty() ? QApplication::applicationName()
                                              : QString::fromStdString(prompt.Caption));
    switch (prompt.Icon) {
    case platform::TPromptIcon::piError:
        box.setIcon(QMessageBox::Critical);
        break;
    case platform::TPromptIcon::piWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case platform::TPromptIcon::piInformation:
        box.setIcon(QMessageBox::Information);
        break;
    case platform::TPromptIcon::piConfirmation:
        box.setIcon(QMessageBox::Question);
        break;
    case platform::TPromptIcon::piNone:
        break;
    }
    switch (prompt.Buttons) {
    case TPromptButtons::pbOK:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case TPromptButtons::pbYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case TPromptButtons::pbYesNoAll:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll);
        break;
    case TPromptButtons::pbAbortRetryIgnore:
        box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return TPromptAnswer::paOK;
    case QMessageBox::Yes:
        return TPromptAnswer::paYes;
    case QMessageBox::No:
        return TPromptAnswer::paNo;
    case QMessageBox::YesToAll:
        return TPromptAnswer::paAll;
    case QMessageBox::Abort:
        return TPromptAnswer::paAbort;
    case QMessageBox::Retry:
        return TPromptAnswer::paRetry;
    case QMessageBox::Ignore:
        return TPromptAnswer::paIgnore;
    default:
        return TPromptAnswer::paClosed;
    }
}

} // namespace tw::ui
