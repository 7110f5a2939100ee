#pragma once

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QPlainTextEdit;
class QStatusBar;

namespace tw::app {

/// "联系工程师": the support request form. The user's name, phone number, QQ number, the kind of
/// data and the storage medium (the first ticked box of each group) and remarks go to the
/// support endpoint (SupportEndpointUrl) as the query of a GET request to "/index.php", each
/// value percent-encoded from its CP936 bytes. "发送成功！" is shown only after an HTTP 2xx
/// answer, "提交失败！请检查网络" after any other answer or none. Messages go through
/// platform::Prompter(). Created once; typed texts and ticks survive between showings.
/// Object names: sLabel1…sLabel5, sEdit1 (name), sEdit2 (phone), sEdit3 (QQ), sGroupBox1
/// with s1…s9, sGroupBox2 with s10…s15, Memo1, sButton1 (submit), Button1 (QQ chat),
/// sStatusBar1 (a click opens the vendor's web site) and web (the network access).
class TForm3 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    /// The main window's support-request command: the information box "即将为您接通人工服务，…",
    /// then the form, modally.
    void Open();
    /// "提交表单": checks name, phone and remarks in order (empty name, empty phone, then name,
    /// phone and remarks longer than 20, 20 and 500 CP936 bytes), showing the first failure
    /// and sending nothing; otherwise stores the request values and calls SendRequest.
    void Submit();
    /// Sends the stored values with the current remarks and returns at once; the answer is
    /// reported when it arrives (the form stays open and usable meanwhile).
    void SendRequest();

    /// Request values of the last submit that passed the checks. The remarks are taken from
    /// the memo at sending, with line breaks as CR LF.
    QString KindText;
    QString MediumText;
    QString CustName;
    QString Phone;
    QString QQNumber;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowMessage(const char* utf8Text) const;
    [[nodiscard]] QString MemoText() const;

    QLineEdit* m_Name;
    QLineEdit* m_Phone;
    QLineEdit* m_QQ;
    std::array<QCheckBox*, 9> m_Kinds{};
    std::array<QCheckBox*, 6> m_Media{};
    QPlainTextEdit* m_Memo;
    QStatusBar* m_StatusBar;
    QLabel* m_StatusPanel;
    QNetworkAccessManager* m_Web;
    QString m_ProgramName;
};

} // namespace tw::app
