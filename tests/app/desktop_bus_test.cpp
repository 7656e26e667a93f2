// The program on a private session bus: the interface called as gdbus calls it, its
// MailChanged signal and the launcher count heard by another connection.
#include <QProcess>
#include <QSignalSpy>

#include "app/dbus_service.h"
#include "app/desktop_events.h"
#include "app_test_support.h"
#include "platform/ui_text.h"
#include "settings/settings.h"

namespace {

// A dbus-daemon of the test's own, the session bus of this process while it lives.
class PrivateBus {
public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    const QString& Address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

// gdbus call on the program's object; its output once it ended.
QString Gdbus(const QString& method, const QStringList& args = {}) {
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                QStringList{"call", "--session", "--dest", kBusName, "--object-path", kBusPath,
                            "--method", "org.tarnwick.Tarnwick1." + method} +
                    args);
    while (gdbus.state() != QProcess::NotRunning) RunFor(20);  // the program answers meanwhile
    return QString::fromUtf8(gdbus.readAllStandardOutput() + gdbus.readAllStandardError())
        .trimmed();
}

class DesktopBusTest : public AppTest {
protected:
    PrivateBus bus_;
};

}  // namespace

TEST_F(DesktopBusTest, TheInterfaceChecksReportsAndOpensTheListAsGdbusCallsIt) {
    ASSERT_FALSE(bus_.Address().isEmpty());
    WriteSettings({{"a@x.example", "127.0.0.1", "a"}, {"b@x.example", "127.0.0.1", "b"}});
    Start();
    auto* service = new DBusService(*window, dm->Desktop());
    ASSERT_TRUE(service->Register());
    OpenSettings()->WriteString(AccountSection(accounts[1].params), "LAST_RESULT", "0");
    OpenSettings()->WriteString(AccountSection(accounts[1].params), "LAST_ERROR", "refused");

    // Another client hears the signals.
    QProcess monitor;
    monitor.start(QStringLiteral("dbus-monitor"),
                  {"--address", bus_.Address(), "type='signal',member='MailChanged'",
                   "type='signal',interface='com.canonical.Unity.LauncherEntry'"});
    ASSERT_TRUE(monitor.waitForStarted());
    RunFor(300);
    QSignalSpy heard(&dm->Desktop(), &DesktopEvents::MailChanged);

    changeToReport = 2;
    EXPECT_EQ(Gdbus("CheckNow"), "()");
    for (int i = 0; i < 250 && heard.size() < 2; ++i) RunFor(20);
    EXPECT_EQ(checked, (std::vector<std::string>{"a@x.example", "b@x.example"}));
    EXPECT_EQ(Gdbus("Accounts"),
              "([('a@x.example', 0, 2, true, ''), ('b@x.example', 0, 2, false, 'refused')],)");

    RunFor(300);
    const QString signalText = QString::fromUtf8(monitor.readAllStandardOutput());
    EXPECT_EQ(signalText.count("member=MailChanged"), 2) << signalText.toStdString();
    EXPECT_TRUE(signalText.contains("string \"b@x.example\"\n   int32 0\n   int32 2"));
    EXPECT_TRUE(signalText.contains("string \"application://org.tarnwick.Tarnwick.desktop\""));
    EXPECT_TRUE(signalText.contains("int64 4"));  // two and two arrived
    dm->AcknowledgeNewMail();
    RunFor(300);
    EXPECT_TRUE(QString::fromUtf8(monitor.readAllStandardOutput()).contains("int64 0"));
    monitor.kill();
    monitor.waitForFinished();

    EXPECT_TRUE(Gdbus("ShowMessages", {"nobody@x.example"}).contains("NoSuchAccount"));
    EXPECT_EQ(Gdbus("ShowMessages", {"b@x.example"}), "()");
    RunFor(50);
    EXPECT_FALSE(ListWindowHandle.isNull());
}
