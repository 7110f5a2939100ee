#include "app/about_dialog.h"
#include "app/contact_form.h"
#include "app/welcome_dialog.h"
#include "support/scripted_prompter.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

using namespace tw;
using app::TForm3;
using app::TWelcomeDialog;

namespace {

/// A web server on 127.0.0.1 that answers every request with Status and an empty body and
/// records the request targets ("/index.php?…").
class TFakeEndpoint final : public QObject {
public:
    int Status = 200;
    QList<QByteArray> Targets;

    TFakeEndpoint() {
        if (!m_Server.listen(QHostAddress::LocalHost)) {
            qFatal("cannot listen on 127.0.0.1");
        }
        connect(&m_Server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_Server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QByteArray Url() const {
        return "http://127.0.0.1:" + QByteArray::number(m_Server.serverPort());
    }

private:
    void Read(QTcpSocket* socket) {
        QByteArray& received = m_Received[socket];
        received += socket->readAll();
        if (!received.contains("\r\n\r\n")) {
            return;
        }
        const QList<QByteArray> requestLine = received.left(received.indexOf("\r\n")).split(' ');
        Targets << (requestLine.size() == 3 ? requestLine[1] : received);
        m_Received.remove(socket);
        socket->write("HTTP/1.1 " + QByteArray::number(Status) +
                      " X\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    }

    QTcpServer m_Server;
    QHash<QTcpSocket*, QByteArray> m_Received;
};

/// Takes the addresses handed to QDesktopServices::openUrl.
class TUrlRecorder final : public QObject {
    Q_OBJECT
public:
    QStringList Opened;
public slots:
    void Open(const QUrl& url) { Opened << url.toString(QUrl::FullyEncoded); }
};

template <typename T> T* Child(QObject* parent, const QString& name) {
    T* child = parent->findChild<T*>(name);
    if (!child) {
        qFatal("no child %s", qPrintable(name));
    }
    return child;
}

QStringList Messages(const test::TScriptedPrompter& prompter) {
    QStringList texts;
    for (const platform::TPrompt& prompt : prompter.Shown()) {
        texts << QString::fromStdString(prompt.Text);
    }
    return texts;
}

void Fill(TForm3& form, const QString& name, const QString& phone, const QString& memo,
          const QStringList& ticks = {}, const QString& qq = {}) {
    Child<QLineEdit>(&form, "sEdit1")->setText(name);
    Child<QLineEdit>(&form, "sEdit2")->setText(phone);
    Child<QLineEdit>(&form, "sEdit3")->setText(qq);
    Child<QPlainTextEdit>(&form, "Memo1")->setPlainText(memo);
    for (const QString& box : ticks) {
        Child<QCheckBox>(&form, box)->setChecked(true);
    }
}

const QString Sent = QString::fromUtf8("发送成功！");
const QString Failed = QString::fromUtf8("提交失败！请检查网络");
const QString Zhang = QString::fromUtf8("张");

} // namespace

class TSupportTest final : public QObject {
    Q_OBJECT
    TFakeEndpoint* m_Endpoint = nullptr;

    /// Submits and waits for the first message; then waits a little longer so that a
    /// second message or a late request would be seen.
    static void SubmitAndSettle(TForm3& form, const test::TScriptedPrompter& prompter) {
        Child<QPushButton>(&form, "sButton1")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!prompter.Shown().empty(), 10000);
        QTest::qWait(50);
    }

private slots:
    void initTestCase() {
        // A proxy from the environment must not stand between the form and the test server.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        m_Endpoint = new TFakeEndpoint;
        qputenv("TARNWELL_SUPPORT_URL", m_Endpoint->Url());
    }
    void cleanupTestCase() { delete m_Endpoint; }
    void init() {
        m_Endpoint->Status = 200;
        m_Endpoint->Targets.clear();
        qputenv("TARNWELL_SUPPORT_URL", m_Endpoint->Url());
    }

    void ChecksInOrder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("message");
        const QString empty = QString::fromUtf8("称呼不能为空，谢谢");
        const QString noPhone = QString::fromUtf8("联系电话不能为空，谢谢");
        const QString tooLong = QString::fromUtf8("内容超长");
        QTest::newRow("name and phone empty") << ""
                                              << ""
                                              << "" << empty;
        QTest::newRow("phone empty") << "Li"
                                     << ""
                                     << "" << noPhone;
        QTest::newRow("empty phone before a long name") << Zhang.repeated(11) << ""
                                                        << "" << noPhone;
        QTest::newRow("name of 11 Chinese characters") << Zhang.repeated(11) << "1"
                                                       << "" << tooLong;
        QTest::newRow("name of 21 ASCII bytes") << QString(21, 'a') << "1"
                                                << "" << tooLong;
        QTest::newRow("phone of 21 bytes") << "Li" << QString(21, '1') << "" << tooLong;
        QTest::newRow("memo of 251 Chinese characters") << "Li"
                                                        << "1" << Zhang.repeated(251) << tooLong;
        QTest::newRow("memo line break counts CR LF") << "Li"
                                                      << "1" << QString(499, 'a') + "\n"
                                                      << tooLong;
        QTest::newRow("every field at its limit")
            << Zhang.repeated(10) << QString(20, '1') << Zhang.repeated(250) << Sent;
        QTest::newRow("mixed name of 20 bytes") << Zhang.repeated(9) + "ab"
                                                << "1"
                                                << "" << Sent;
    }
    void ChecksInOrder() {
        QFETCH(QString, name);
        QFETCH(QString, phone);
        QFETCH(QString, memo);
        QFETCH(QString, message);
        test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
        TForm3 form;
        Fill(form, name, phone, memo);
        SubmitAndSettle(form, prompter);
        QCOMPARE(Messages(prompter), QStringList{message});
        QCOMPARE(m_Endpoint->Targets.size(), message == Sent ? 1 : 0);
    }

    void Query_data() {
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QByteArray>("fkind");
        QTest::addColumn<QByteArray>("skind");
        QTest::newRow("nothing ticked") << QStringList{} << QByteArray() << QByteArray();
        QTest::newRow("first ticked box of each group")
            << QStringList{"s9", "s2", "s15", "s12"} << QByteArray("%CA%D3%C6%B5%20")
            << QByteArray("U%C5%CC%B4%E6%B4%A2%BF%A8%20");
        QTest::newRow("texts that differ from the captions")
            << QStringList{"s5", "s14"} << QByteArray("office%20%CE%C4%B5%B5%20")
            << QByteArray("nas%2C%D5%F3%C1%D0%B9%F1%20");
        QTest::newRow("last boxes") << QStringList{"s9", "s15"} << QByteArray("%C6%E4%CB%FB%20")
                                    << QByteArray("%C6%E4%CB%FB%20");
    }
    void Query() {
        QFETCH(QStringList, ticks);
        QFETCH(QByteArray, fkind);
        QFETCH(QByteArray, skind);
        test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
        TForm3 form;
        Fill(form, QString::fromUtf8("张三&x"), "138 0000", QString::fromUtf8("a&b=c\n第二行"),
             ticks, "12345");
        SubmitAndSettle(form, prompter);
        QCOMPARE(Messages(prompter), QStringList{Sent});
        QCOMPARE(
            m_Endpoint->Targets,
            QList<QByteArray>{"/index.php?pname=tw_ui_support_tests&custname=%D5%C5%C8%FD%26x"
                              "&fkind=" +
                              fkind + "&skind=" + skind +
                              "&memo=a%26b%3Dc%0D%0A%B5%DA%B6%FE%D0%D0&qq=12345&tel=138%200000"});
    }

    void Answer_data() {
        QTest::addColumn<int>("status"); // 0: the connection is refused
        QTest::addColumn<QString>("message");
        QTest::newRow("200") << 200 << Sent;
        QTest::newRow("204") << 204 << Sent;
        QTest::newRow("404") << 404 << Failed;
        QTest::newRow("500") << 500 << Failed;
        QTest::newRow("connection refused") << 0 << Failed;
    }
    void Answer() {
        QFETCH(int, status);
        QFETCH(QString, message);
        m_Endpoint->Status = status;
        if (status == 0) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            const quint16 port = closed.serverPort();
            closed.close();
            qputenv("TARNWELL_SUPPORT_URL", "http://127.0.0.1:" + QByteArray::number(port));
        }
        test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
        TForm3 form;
        Fill(form, "Li", "1", "");
        SubmitAndSettle(form, prompter);
        QCOMPARE(Messages(prompter), QStringList{message});
    }

    void Open() {
        test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
        TForm3 form;
        QTimer::singleShot(0, &form, [&] { form.reject(); });
        form.Open();
        QCOMPARE(Messages(prompter),
                 QStringList{QString::fromUtf8(
                     "即将为您接通人工服务，请如实填写资料，工程师将主动与您联系。")});
        QCOMPARE(prompter.Shown()[0].Icon, platform::TPromptIcon::piInformation);
    }

    void WelcomeModes_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("mode"); // 0: OnMode is not called
        QTest::addColumn<bool>("accepted");
        QTest::newRow("recover deleted data") << "ButtonUndelete" << 1 << true;
        QTest::newRow("quick-formatted drive") << "ButtonFindLostData" << 2 << true;
        QTest::newRow("lost partitions") << "ButtonFindLostDrive" << 3 << true;
        QTest::newRow("close button") << "OKBtn" << 0 << true;
        QTest::newRow("escape") << "escape" << 0 << true;
        QTest::newRow("close box") << "close" << 0 << false;
    }
    void WelcomeModes() {
        QFETCH(QString, trigger);
        QFETCH(int, mode);
        QFETCH(bool, accepted);
        TWelcomeDialog dialog;
        std::vector<int> modes;
        bool shownDuringFlow = false;
        // The flow does nothing, as when the user cancels the drive selection.
        dialog.OnMode = [&](int chosen) {
            modes.push_back(chosen);
            shownDuringFlow = dialog.isVisible();
        };
        QTimer::singleShot(0, &dialog, [&] {
            if (trigger == "escape") {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else if (trigger == "close") {
                dialog.close();
            } else {
                Child<QPushButton>(&dialog, trigger)->click();
            }
            if (dialog.isVisible()) {
                dialog.done(-1);
            }
        });
        QCOMPARE(dialog.Execute(), accepted);
        QCOMPARE(modes, mode ? std::vector<int>{mode} : std::vector<int>{});
        QVERIFY(!shownDuringFlow);
    }

    void Links() {
        TUrlRecorder recorder;
        QDesktopServices::setUrlHandler("https", &recorder, "Open");
        QDesktopServices::setUrlHandler("http", &recorder, "Open");
        const QString vendorChat = "https://wpa.qq.com/msgrd?v=3&uin=800123456&site=qq&menu=yes";
        {
            TWelcomeDialog welcome;
            welcome.show();
            Child<QPushButton>(&welcome, "BitBtn4")->click();
            QTest::mouseClick(Child<QLabel>(&welcome, "Label3"), Qt::LeftButton);
        }
        {
            TForm3 form;
            form.show();
            Child<QPushButton>(&form, "Button1")->click();
            QStatusBar* bar = Child<QStatusBar>(&form, "sStatusBar1");
            QTest::mouseClick(bar->findChild<QLabel*>(), Qt::LeftButton);
        }
        {
            app::TAboutDialog about;
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QTest::mouseClick(Child<QLabel>(&about, "LabelHTMLaddress2"), Qt::LeftButton);
            QVERIFY2(about.isVisible(), "a click on a link does not close the box");
            QTest::mouseClick(Child<QLabel>(&about, "Label6"), Qt::LeftButton);
            QVERIFY2(!about.isVisible(), "a click on the background closes the box");
        }
        QDesktopServices::unsetUrlHandler("https");
        QDesktopServices::unsetUrlHandler("http");
        QCOMPARE(recorder.Opened,
                 (QStringList{vendorChat, vendorChat,
                              "https://wpa.qq.com/msgrd?v=3&uin=800123457&site=qq&menu=yes",
                              "https://www.tarnwell.example", "https://tarnwell.example/updates"}));
    }

    void AboutLinkColours() {
        app::TAboutDialog about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QLabel* first = Child<QLabel>(&about, "LabelHTMLaddress1");
        QLabel* second = Child<QLabel>(&about, "LabelHTMLaddress2");
        auto colour = [](QLabel* label) { return label->palette().color(QPalette::WindowText); };
        const QColor navy(0, 0, 128);
        QCOMPARE(colour(first), navy);
        QTest::mouseMove(first);
        QTRY_COMPARE(colour(first), QColor(Qt::blue));
        QTest::mouseMove(second);
        QTRY_COMPARE(colour(second), QColor(Qt::blue));
        QTest::mouseMove(Child<QWidget>(&about, "Panel2"), QPoint(2, 2));
        QTRY_COMPARE(colour(first), navy);
        QCOMPARE(colour(second), navy);
    }
};

QTEST_MAIN(TSupportTest)
#include "support_test.moc"
