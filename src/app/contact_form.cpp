#include "app/contact_form.h"

#include "app/vendor_contact.h"
#include "app/vendor_links.h"
#include "platform/prompter.h"
#include "platform/text_codec.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <string>

namespace tw::app {

namespace {

constexpr size_t NameLimitBytes = 20;
constexpr size_t PhoneLimitBytes = 20;
constexpr size_t MemoLimitBytes = 500;
/// An endpoint that accepts the connection but never answers counts as a network failure.
constexpr int AnswerTimeoutMs = 30000;

/// A box's caption and the text it contributes to the request (they differ for some).
struct TChoice {
    const char* Caption;
    const char* Sent;
};

constexpr std::array<TChoice, 9> Kinds = {{
    {"照片", "照片 "},
    {"视频", "视频 "},
    {"手机数据", "手机数据 "},
    {"数据库", "数据库 "},
    {"office文档", "office 文档 "},
    {"文件解密", "文件解密 "},
    {"U盘无法识别", "U盘无法识别 "},
    {"硬盘无法识别", "硬盘无法识别 "},
    {"其他", "其他 "},
}};

constexpr std::array<TChoice, 6> Media = {{
    {"硬盘，固态盘", "硬盘，固态盘 "},
    {"手机", "手机 "},
    {"U盘，存储卡", "U盘存储卡 "},
    {"服务器", "服务器 "},
    {"NAS，阵列柜", "nas,阵列柜 "},
    {"其他", "其他 "},
}};

std::string Cp936(const QString& text) {
    return platform::EncodeCp936(text.toStdString());
}

/// The value's CP936 bytes, every byte but A-Z a-z 0-9 - . _ ~ as %XX: a typed '&' or '='
/// stays inside its value.
QByteArray QueryValue(const QString& text) {
    const std::string bytes = Cp936(text);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toPercentEncoding();
}

/// The text of the first ticked box of a group, or empty.
template <size_t N>
QString FirstTicked(const std::array<QCheckBox*, N>& boxes, const std::array<TChoice, N>& texts) {
    for (size_t i = 0; i < N; ++i) {
        if (boxes[i]->isChecked()) {
            return QString::fromUtf8(texts[i].Sent);
        }
    }
    return QString();
}

template <size_t N>
QGroupBox* ChoiceGroup(QWidget* parent, const char* name, const char* utf8Title, int firstNumber,
                       const std::array<TChoice, N>& choices, std::array<QCheckBox*, N>& boxes) {
    auto* group = new QGroupBox(QString::fromUtf8(utf8Title), parent);
    group->setObjectName(name);
    auto* grid = new QGridLayout(group);
    for (size_t i = 0; i < N; ++i) {
        boxes[i] = new QCheckBox(QString::fromUtf8(choices[i].Caption), group);
        boxes[i]->setObjectName(QString("s%1").arg(firstNumber + static_cast<int>(i)));
        grid->addWidget(boxes[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
    }
    return group;
}

QLabel* Caption(QWidget* parent, const char* name, const char* utf8Text) {
    auto* label = new QLabel(QString::fromUtf8(utf8Text), parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName("Form3");
    setWindowTitle(QString::fromUtf8("联系工程师"));
    QFont formFont(QString::fromUtf8("宋体"));
    formFont.setPixelSize(12);
    setFont(formFont);
    m_ProgramName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();

    m_Name = Edit(this, "sEdit1");
    m_Phone = Edit(this, "sEdit2");
    m_QQ = Edit(this, "sEdit3");
    auto* fields = new QFormLayout;
    fields->addRow(Caption(this, "sLabel2", "*  您的称呼："), m_Name);
    fields->addRow(Caption(this, "sLabel3", "*  您的电话号码："), m_Phone);
    fields->addRow(Caption(this, "sLabel4", "QQ号码(没有可以不填)："), m_QQ);

    m_Memo = new QPlainTextEdit(this);
    m_Memo->setObjectName("Memo1");

    auto* submit = new QPushButton(QString::fromUtf8("提交表单"), this);
    submit->setObjectName("sButton1");
    submit->setAutoDefault(false);
    connect(submit, &QPushButton::clicked, this, &TForm3::Submit);
    auto* chat = new QPushButton(QString::fromUtf8("联系客服QQ"), this);
    chat->setObjectName("Button1");
    chat->setAutoDefault(false);
    connect(chat, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QQChatUrl(ServiceQQNumber)); });

    m_StatusBar = new QStatusBar(this);
    m_StatusBar->setObjectName("sStatusBar1");
    m_StatusBar->setSizeGripEnabled(true);
    m_StatusPanel = new QLabel(QString::fromUtf8("客服电话：") + VendorPhone +
                                   QString::fromUtf8("  客服QQ：") + ServiceQQNumber,
                               m_StatusBar);
    m_StatusPanel->setCursor(Qt::PointingHandCursor);
    m_StatusBar->addWidget(m_StatusPanel, 1);
    m_StatusBar->installEventFilter(this);
    m_StatusPanel->installEventFilter(this);

    m_Web = new QNetworkAccessManager(this);
    m_Web->setObjectName("web");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(submit, 1);
    buttons->addWidget(chat);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Caption(this, "sLabel1", "填写表单内容，工程师将在5分钟内与您联系："));
    layout->addLayout(fields);
    layout->addWidget(ChoiceGroup(this, "sGroupBox1", "要恢复的类型", 1, Kinds, m_Kinds));
    layout->addWidget(ChoiceGroup(this, "sGroupBox2", "存储介质", 10, Media, m_Media));
    layout->addWidget(
        Caption(this, "sLabel5", "备注：（可以填写详细一点的情况，方便工程师了解情况）"));
    layout->addWidget(m_Memo, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_StatusBar);
    resize(371, 590);
}

void TForm3::Open() {
    platform::Prompter().Ask(platform::TPrompt{
        "Information",
        QString::fromUtf8("即将为您接通人工服务，请如实填写资料，工程师将主动与您联系。")
            .toStdString(),
        platform::TPromptIcon::piInformation, platform::TPromptButtons::pbOK});
    exec();
}

void TForm3::ShowMessage(const char* utf8Text) const {
    platform::Prompter().Ask(platform::TPrompt{m_ProgramName.toStdString(), utf8Text,
                                               platform::TPromptIcon::piNone,
                                               platform::TPromptButtons::pbOK});
}

QString TForm3::MemoText() const {
    // A memo's text has CR LF line breaks; they count for the limit and are sent so.
    return m_Memo->toPlainText().replace('\n', "\r\n");
}

void TForm3::Submit() {
    KindText.clear();
    MediumText.clear();
    if (m_Name->text().isEmpty()) {
        ShowMessage("称呼不能为空，谢谢");
        return;
    }
    if (m_Phone->text().isEmpty()) {
        ShowMessage("联系电话不能为空，谢谢");
        return;
    }
    if (Cp936(m_Name->text()).size() > NameLimitBytes ||
        Cp936(m_Phone->text()).size() > PhoneLimitBytes ||
        Cp936(MemoText()).size() > MemoLimitBytes) {
        ShowMessage("内容超长");
        return;
    }
    KindText = FirstTicked(m_Kinds, Kinds);
    MediumText = FirstTicked(m_Media, Media);
    Phone = m_Phone->text();
    QQNumber = m_QQ->text();
    CustName = m_Name->text();
    SendRequest();
}

void TForm3::SendRequest() {
    const QByteArray query = "pname=" + QueryValue(m_ProgramName) +
                             "&custname=" + QueryValue(CustName) +
                             "&fkind=" + QueryValue(KindText) + "&skind=" + QueryValue(MediumText) +
                             "&memo=" + QueryValue(MemoText()) + "&qq=" + QueryValue(QQNumber) +
                             "&tel=" + QueryValue(Phone);
    QUrl url = SupportEndpointUrl();
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    QNetworkRequest request(url);
    request.setTransferTimeout(AnswerTimeoutMs);
    QNetworkReply* reply = m_Web->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool sent = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
        ShowMessage(sent ? "发送成功！" : "提交失败！请检查网络");
    });
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_StatusBar || watched == m_StatusPanel) &&
        event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        QDesktopServices::openUrl(VendorSiteUrl());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tw::app
