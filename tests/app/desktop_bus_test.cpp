// The program on a private session bus: the interface called as gdbus calls it, its
// MailChanged signal and the launcher count heard by another connection, a copy that holds
// the bus name seen by a second start, the push sessions hearing a resume on a private system
// bus, and "Mark as read" on the notification.
#include <gmock/gmock.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <atomic>
#include <thread>

#include "app/dbus_service.h"
#include "app/desktop_events.h"
#include "app/start_up.h"
#include "app_test_support.h"
#include "engine/push_watchers.h"
#include "engine/worker_threads.h"
#include "net/interrupt.h"
#include "notify/alert_window.h"
#include "notify/tray_icon.h"
#include "platform/single_instance.h"
#include "settings/counted_text.h"
#include "settings/settings.h"
#include "settings/watched_folders.h"
#include "support/mail_fixture.h"
#include "widgets/ui_text.h"

using namespace std::chrono_literals;

namespace {

// A dbus-daemon of the test's own, the session bus of this process while it lives. Qt keeps
// one session-bus connection per process, so each test needs a process of its own, as ctest
// runs them (the whole binary in one process stops in libdbus at the second test).
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

// gdbus call on the program's object (a method of our interface, or one named with its
// interface); its output once it ended.
QString Gdbus(QString method, const QStringList& args = {}) {
    if (!method.contains('.')) method = "org.tarnwick.Tarnwick1." + method;
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                QStringList{"call", "--session", "--dest", kBusName, "--object-path", kBusPath,
                            "--method", method} +
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
    auto* service = new DBusService(*monitor, ProgramState(), services->Desktop(), monitor.get());
    ASSERT_TRUE(service->Register());
    OpenSettings()->WriteString(AccountSection(ProgramState().Accounts()[1].params), "LAST_RESULT",
                                "0");
    OpenSettings()->WriteString(AccountSection(ProgramState().Accounts()[1].params), "LAST_ERROR",
                                "refused");

    // Another client hears the signals.
    QProcess listener;
    listener.start(QStringLiteral("dbus-monitor"),
                   {"--address", bus_.Address(), "type='signal',member='MailChanged'",
                    "type='signal',interface='com.canonical.Unity.LauncherEntry'"});
    ASSERT_TRUE(listener.waitForStarted());
    RunFor(300);
    QSignalSpy heard(&services->Desktop(), &DesktopEvents::MailChanged);

    changeToReport = 2;
    EXPECT_EQ(Gdbus("CheckNow"), "()");
    for (int i = 0; i < 250 && heard.size() < 2; ++i) RunFor(20);
    EXPECT_EQ(checked, (std::vector<std::string>{"a@x.example", "b@x.example"}));
    EXPECT_EQ(Gdbus("Accounts"),
              "([('a@x.example', 0, 2, true, ''), ('b@x.example', 0, 2, false, 'refused')],)");

    RunFor(300);
    const QString signalText = QString::fromUtf8(listener.readAllStandardOutput());
    EXPECT_EQ(signalText.count("member=MailChanged"), 2) << signalText.toStdString();
    EXPECT_TRUE(signalText.contains("string \"b@x.example\"\n   int32 0\n   int32 2"));
    EXPECT_TRUE(signalText.contains("string \"application://org.tarnwick.Tarnwick.desktop\""));
    EXPECT_TRUE(signalText.contains("int64 4"));  // two and two arrived
    // A dock that comes later asks.
    const QString query = Gdbus("com.canonical.Unity.LauncherEntry.Query");
    EXPECT_TRUE(query.contains("'count': <int64 4>") && query.contains("'count-visible': <true>"))
        << query.toStdString();
    services->AcknowledgeNewMail();
    RunFor(300);
    EXPECT_TRUE(QString::fromUtf8(listener.readAllStandardOutput()).contains("int64 0"));
    listener.kill();
    listener.waitForFinished();

    // Folders: an account's one folder, or each folder it watches as its last check found it.
    EXPECT_EQ(Gdbus("Folders", {"A@x.example"}), "([('INBOX', 0, 2)],)");
    AccountEntry watchingEntry = ProgramState().Accounts()[1];
    watchingEntry.params.protocol = MailProtocol::Imap;
    watchingEntry.params.folders = "*";
    ProgramState().SetAccount(1, watchingEntry);
    const AccountSettings& watching = ProgramState().Accounts()[1].params;
    StoreFolderStates(*OpenSettings(), AccountSection(watching),
                      {{"INBOX", 4, 0, 0, 0, 0}, {"Práce", 3, 2, 0, 0, 0}});
    EXPECT_EQ(Gdbus("Folders", {"b@x.example"}), "([('INBOX', 4, 0), ('Práce', 3, 2)],)");
    EXPECT_TRUE(Gdbus("Folders", {"nobody@x.example"}).contains("NoSuchAccount"));
    const QString introspection = Gdbus("org.freedesktop.DBus.Introspectable.Introspect");
    EXPECT_TRUE(introspection.contains(R"(<method name="Folders">)") &&
                introspection.contains(R"x(type="a(sii)" direction="out")x"))
        << introspection.toStdString();
    watchingEntry.params.protocol = MailProtocol::Pop3;
    watchingEntry.params.folders.clear();
    ProgramState().SetAccount(1, watchingEntry);

    EXPECT_TRUE(Gdbus("ShowMessages", {"nobody@x.example"}).contains("NoSuchAccount"));
    const QString longReply = Gdbus("ShowMessages", {QString(100000, 'x')});
    EXPECT_TRUE(longReply.contains("NoSuchAccount"));
    EXPECT_LT(longReply.size(), 400);
    EXPECT_EQ(Gdbus("ShowMessages", {"B@X.example"}), "()");
    RunFor(50);
    EXPECT_FALSE((OpenWindow(WindowKind::List) == nullptr));
}

TEST_F(DesktopBusTest, ACopyHoldingTheBusNameCountsAsRunning) {
    ASSERT_FALSE(bus_.Address().isEmpty());
    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::Run);
    QDBusConnection other = QDBusConnection::connectToBus(bus_.Address(), "other copy");
    ASSERT_TRUE(other.registerService(QString::fromLatin1(kBusName)));
    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::HandedOver);
    QDBusConnection::disconnectFromBus("other copy");
}

TEST_F(DesktopBusTest, APanelThatComesLaterTakesTheIconAndTheMinimisedWindow) {
    ASSERT_FALSE(bus_.Address().isEmpty());
    SetTrayAreaAvailableForTests(false);  // the session starts before its panel
    WriteSettings({{"a@x.example", "127.0.0.1", "a"}});
    Start();
    ShowWindow();
    window->actContinue->trigger();
    RunFor(50);
    ASSERT_TRUE(window->isMinimized());
    SetTrayAreaAvailableForTests(true);  // what the desktop says once the panel is up
    RunFor(300);
    EXPECT_TRUE(window->isMinimized()) << "looked for again when the watcher's name comes";

    QDBusConnection panel = QDBusConnection::connectToBus(bus_.Address(), "panel");
    ASSERT_TRUE(panel.registerService(QString::fromLatin1(kStatusNotifierWatcher)));
    for (int i = 0; i < 100 && window->isVisible(); ++i) RunFor(20);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
    QDBusConnection::disconnectFromBus("panel");
}

namespace {

// A notification server of the test's own that records what it is asked.
class RecordingServer : public QDBusVirtualObject {
public:
    explicit RecordingServer(QStringList capabilities) : capabilities_(std::move(capabilities)) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == "GetCapabilities") {
            connection.send(message.createReply(QVariant(capabilities_)));
        } else if (message.member() == "Notify") {
            calls.append(message.arguments());
            connection.send(message.createReply(QVariant(uint(calls.size() == 1 ? 7 : 8))));
        } else {
            closes += message.member() == "CloseNotification";
            connection.send(message.createReply());
        }
        return true;
    }
    QList<QVariantList> calls;
    int closes = 0;

private:
    QStringList capabilities_;
};

}  // namespace

TEST_F(DesktopBusTest, NewMailIsANotificationWhoseDefaultActionOpensTheListWindow) {
    WriteSettings({{"a@x.example", "127.0.0.1", "a"}, {"b<i>@x.example", "127.0.0.1", "b"}}, true);
    Start();
    ProgramState().LoadSettings();
    ProgramState().SetDesktopNotification(true);
    RunFor(200);
    EXPECT_FALSE(services->Desktop().ShowsNotification());  // no server: the alert window
    EXPECT_FALSE(services->Desktop().NewMailReaderFor(ProgramState().Accounts()[0].params))
        << "no headers fetched";

    QDBusConnection serverBus = QDBusConnection::connectToBus(bus_.Address(), "server");
    RecordingServer server({"actions", "body-markup"});
    ASSERT_TRUE(serverBus.registerVirtualObject("/org/freedesktop/Notifications", &server));
    ASSERT_TRUE(serverBus.registerService("org.freedesktop.Notifications"));
    for (int i = 0; i < 100 && !services->Desktop().ShowsNotification(); ++i) RunFor(20);
    ASSERT_TRUE(services->Desktop().ShowsNotification());

    monitor->RecordCheck(ProgramState().Accounts()[1].params, 2, 2);
    for (int i = 0; i < 100 && server.calls.size() < 1; ++i) RunFor(20);
    monitor->RecordCheck(ProgramState().Accounts()[0].params, 1, 1);
    for (int i = 0; i < 100 && server.calls.size() < 2; ++i) RunFor(20);
    ASSERT_EQ(server.calls.size(), 2);
    const QVariantList& last = server.calls[1];
    EXPECT_EQ(last[1].toUInt(), 7u);  // replaces the first
    EXPECT_EQ(last[3].toString(), ToQt(GetLangText("new_mail_notification")));
    const QString one = ToQt(CountedText("notification_new", 1));
    const QString fresh = ToQt(CountedText("notification_new", 2));
    EXPECT_EQ(last[4].toString(), "a@x.example: 1 " + one + "\nb&lt;i&gt;@x.example: 2 " + fresh);
    EXPECT_EQ(last[5].toStringList().mid(0, 3),
              (QStringList{"default", last[3].toString(), "open-mail-program"}));
    const QVariantMap hints = qdbus_cast<QVariantMap>(last[6]);
    EXPECT_EQ(hints["category"].toString(), "email.arrived");
    EXPECT_EQ(hints["desktop-entry"].toString(), "org.tarnwick.Tarnwick");
    EXPECT_FALSE(services->Alert().isVisible());

    // A timed check names the newest new messages below, decoded and escaped, spam left out.
    ProgramState().AddSpamRule(RuleKind::Subject, "casino");
    monitor->Scheduler().SetRunner(
        [](const AccountSettings&, const SessionOptions&, bool, CheckNotifier&, int wanted) {
            CheckResult result{2, true, std::nullopt, {}, {}};
            if (wanted > 0)
                result.newHeaders = {
                    {MessageId(9u), 10, {"From: lucky@x.example", "Subject: casino"}, {}},
                    {MessageId(8u),
                     10,
                     {"From: \"Ann <b>\" <ann@x.example>", "Subject: =?UTF-8?Q?Caf=C3=A9?="},
                     {}}};
            return result;
        });
    monitor->SetCheckIndex(0);
    TickAndWait();
    for (int i = 0; i < 100 && server.calls.size() < 3; ++i) RunFor(20);
    ASSERT_EQ(server.calls.size(), 3);
    EXPECT_EQ(server.calls[2][4].toString(), "a@x.example: 3 " + fresh +
                                                 "\nb&lt;i&gt;@x.example: 2 " + fresh +
                                                 "\nAnn &lt;b&gt; — Café");
    EXPECT_EQ(server.calls[2][5].toStringList().size(), 4) << "no \"Mark as read\" on POP3";

    QDBusMessage invoked = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    invoked << uint(8) << QString("default");
    serverBus.send(invoked);
    for (int i = 0; i < 100 && (OpenWindow(WindowKind::List) == nullptr); ++i) RunFor(20);
    EXPECT_FALSE((OpenWindow(WindowKind::List) == nullptr));
    serverBus.unregisterService("org.freedesktop.Notifications");
}

// A push session waiting out its delay after a failure comes back at once on a resume from
// suspend (logind's PrepareForSleep, here from a stand-in on a private system bus), after a
// successful timed check of the same server and when the user trusts its certificate.
TEST_F(DesktopBusTest, PushComesBackAtOnceAfterAResumeASuccessfulCheckOrATrustedCertificate) {
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus_.Address().toUtf8());
    QDBusConnection logind = QDBusConnection::connectToBus(bus_.Address(), "logind");
    ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));
    WriteSettings({{.email = "imap@x.example", .user = "i"}});
    Start();
    ShowWindow();
    window->actContinue->trigger();
    window->OnIdle();
    auto sessions = std::make_shared<std::atomic<int>>(0);
    monitor->Push().SetWatcher([sessions](const AccountSettings&, const SessionOptions& options,
                                          const PushReport& report) {
        ++*sessions;
        report(PushEvent::Lost, "refused");  // and then the delay before the next try
        while (!options.interrupt->Raised()) std::this_thread::sleep_for(5ms);
        return PushEnd::Interrupted;
    });
    AccountEntry pushed = ProgramState().Accounts()[0];
    pushed.params.protocol = MailProtocol::Imap;
    ProgramState().SetAccount(0, pushed);
    for (int i = 0; i < 100 && *sessions < 1; ++i) RunFor(10);
    RunFor(50);
    ASSERT_EQ(*sessions, 1);

    QDBusMessage resumed = QDBusMessage::createSignal(
        "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
    resumed << false;
    logind.send(resumed);
    for (int i = 0; i < 200 && *sessions < 2; ++i) RunFor(10);
    EXPECT_EQ(*sessions, 2) << "a resume reconnects";

    RunFor(50);
    TickAndWait();
    EXPECT_EQ(checked, std::vector<std::string>{"imap@x.example"});
    for (int i = 0; i < 200 && *sessions < 3; ++i) RunFor(10);
    EXPECT_EQ(*sessions, 3) << "a successful check of the server reconnects";

    // A certificate trusted just now: a new session at once, not after the growing delay.
    CertificateProblem problem;
    problem.certificate.fingerprint = "sha256:" + std::string(64, 'a');
    ProgramState().SetTrustQuestion(TrustRequest{pushed.params, problem});
    for (int i = 0; i < 200 && *sessions < 4; ++i) RunFor(10);
    EXPECT_FALSE(ProgramState().TrustQuestionWaits()) << "asked and answered yes";
    EXPECT_EQ(*sessions, 4) << "a trusted certificate reconnects";
    monitor->StopChecks(0ms);
    EXPECT_TRUE(EndWorkerThreads(2s));
}

TEST_F(DesktopBusTest, MarkAsReadFlagsExactlyTheNamedImapMessagesSeenAndClosesTheNotification) {
    if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
    const MailUser user = AddMailUser("markread");
    AddMessages(user, 4);
    SaveSettings({.accounts = {{true, ImapAccountFor(user), 0}}, .playWave = true});
    Start();
    ProgramState().LoadSettings();
    ProgramState().SetDesktopNotification(true);
    QDBusConnection serverBus = QDBusConnection::connectToBus(bus_.Address(), "server");
    RecordingServer server({"actions"});
    ASSERT_TRUE(serverBus.registerVirtualObject("/org/freedesktop/Notifications", &server));
    ASSERT_TRUE(serverBus.registerService("org.freedesktop.Notifications"));
    for (int i = 0; i < 100 && !services->Desktop().ShowsNotification(); ++i) RunFor(20);

    // The check named messages 4 and 2 (3 was spam, say): only those are flagged.
    monitor->RecordCheck(ProgramState().Accounts()[0].params, 3, 3,
                         {{"4", "2"}, {MessageId(4u), MessageId(2u)}, {}});
    for (int i = 0; i < 100 && server.calls.empty(); ++i) RunFor(20);
    ASSERT_EQ(server.calls.size(), 1);
    EXPECT_EQ(server.calls[0][5].toStringList().mid(4),
              (QStringList{"mark-read", ToQt(GetLangText("mark_as_read"))}));
    QDBusMessage invoked = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    serverBus.send(invoked << uint(7) << QString("mark-read"));
    for (int i = 0; i < 250 && SeenUids(user).size() < 2; ++i) RunFor(20);
    EXPECT_THAT(SeenUids(user), ::testing::UnorderedElementsAre(2u, 4u));
    EXPECT_EQ(server.closes, 1);
    serverBus.unregisterService("org.freedesktop.Notifications");
}
