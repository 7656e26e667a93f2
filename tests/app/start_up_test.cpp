// The start: handing over to a running copy, refusing a CD-ROM, the first run, and a whole
// run of the program ended by a signal.
#include <signal.h>

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <filesystem>

#include "app/start_up.h"
#include "app_test_support.h"
#include "check/ui/results_window.h"
#include "platform/single_instance.h"
#include "platform/start_drive.h"
#include "support/scripted_server.h"

namespace {

class StartUpTest : public AppTest {
protected:
    ~StartUpTest() override { SetFileSystemTypeHook({}); }

    // A running first copy with one account, its main window sent to the tray.
    void StartHiddenAndListen() {
        WriteSettings({{.email = "a@x.example", .user = "a"}});
        Start();
        ShowWindow();
        window->actContinue->trigger();
        ASSERT_TRUE(firstCopy.Listen(SingleInstanceName()));
    }

    SingleInstanceServer firstCopy;
};

TEST_F(StartUpTest, SecondStartHandsOverAndTheFirstCopyShowsItsWindow) {
    StartHiddenAndListen();

    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::HandedOver);
    RunFor(100);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(boxes.empty()) << "a second copy shows nothing";

    // With a child window open the request has no effect, and the second copy still ends.
    window->actContinue->trigger();
    OpenResultsWindow(ProgramState());
    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::HandedOver);
    RunFor(100);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(StartUpTest, OnlyTheShowCommandIsTakenFromTheSocket) {
    StartHiddenAndListen();
    QLocalSocket other;
    other.connectToServer(SingleInstanceName());
    ASSERT_TRUE(other.waitForConnected(1000));
    other.write(
        "6\n8\nxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
    other.flush();
    RunFor(100);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(StartUpTest, WithoutAnotherCopyTheStartGoesOn) {
    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::Run);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StartUpTest, ASecondStartWithAnotherTmpdirFindsTheFirstCopy) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    TempFolder first("tmp-first");
    TempFolder second("tmp-second");
    // In the session's runtime folder, and in the abstract namespace without one.
    for (const bool runtimeFolder : {true, false}) {
        if (!runtimeFolder) qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QByteArray::fromStdString(first.Path()));
        SingleInstanceServer running;
        ASSERT_TRUE(running.Listen(SingleInstanceName()));
        EXPECT_EQ(SingleInstanceName().startsWith(QString::fromLatin1(runtime)), runtimeFolder);
        qputenv("TMPDIR", QByteArray::fromStdString(second.Path()));
        EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::HandedOver) << runtimeFolder;
    }
    qputenv("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::Run);
}

TEST_F(StartUpTest, CdRomRefusalLeavesBothFilesUntouched) {
    const std::string ini = "[GENERAL]\r\nPLAYWAVE=1\r\n";
    const std::string lng = "first_run=Hello\r\n";
    folder_.Write("vellmoor.ini", ini);
    folder_.Write("vellmoar.lng", lng);
    const auto iniTime = std::filesystem::last_write_time(folder_.File("vellmoor.ini"));
    LoadLanguageTable();
    SetFileSystemTypeHook([](const QString&) { return QByteArray("iso9660"); });

    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::Refused);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Tarnwick - your e-mail guard. 3.03");
    EXPECT_EQ(folder_.Read("vellmoor.ini"), ini);
    EXPECT_EQ(folder_.Read("vellmoar.lng"), lng);
    EXPECT_EQ(std::filesystem::last_write_time(folder_.File("vellmoor.ini")), iniTime);

    SetFileSystemTypeHook([](const QString&) { return QByteArray("udf"); });
    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::Refused);
    SetFileSystemTypeHook([](const QString&) { return QByteArray("ext4"); });
    EXPECT_EQ(DecideStart(SingleInstanceName()), StartDecision::Run);
}

TEST_F(StartUpTest, FirstRunExplainsAndOpensTheSetupOnce) {
    Start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "first_run_title");
    EXPECT_EQ(boxes[0].text, "first_run");
    EXPECT_FALSE(OpenWindow(WindowKind::Setup)) << "the setup comes with the first activation";
    ShowWindow();
    ASSERT_TRUE(OpenWindow(WindowKind::Setup));
    delete OpenWindow(WindowKind::Setup);
    Q_EMIT Requests().settingsSaved();  // activation runs again after a save
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    EXPECT_FALSE(OpenWindow(WindowKind::Setup)) << "only once";
    EXPECT_TRUE(window->isVisible());
    window->OnIdle();
    EXPECT_FALSE(window->continueTimer_->isActive()) << "never hides itself without accounts";
}

// The real program in a folder of its own: a second copy ends at once, SIGTERM ends the first
// one the normal way, which writes the language file back enciphered.
class WholeProgramTest : public StartUpTest {
protected:
    WholeProgramTest() {
        std::filesystem::copy_file(TARNWICK_PROGRAM, program_);
        folder_.Write("vellmoar.lng", "Error=Error\r\n");
        environment_.insert("QT_QPA_PLATFORM", "offscreen");
        environment_.insert("TMPDIR", QString::fromStdString(folder_.Path()));
        environment_.insert("ASAN_OPTIONS", "detect_leaks=0");
    }

    void Launch(QProcess& process, const QStringList& arguments) {
        process.setProcessEnvironment(environment_);
        process.start(QString::fromStdString(program_.string()), arguments);
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    const std::filesystem::path program_ = folder_.File("tarnwick");
    QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
};

TEST_F(WholeProgramTest, SecondCopyHandsOverAndTheFirstEndsOnSignal) {
    WriteSettings({{.email = "a@x.example", .user = "a", .enabled = false}});
    QProcess first;
    Launch(first, {});
    // The first copy listens once its window exists.
    QLocalSocket probe;
    for (int i = 0; i < 200; ++i) {
        probe.connectToServer(SingleInstanceName());
        if (probe.waitForConnected(50)) break;
        QThread::msleep(50);
    }
    ASSERT_EQ(probe.state(), QLocalSocket::ConnectedState);
    probe.disconnectFromServer();

    QProcess second;
    Launch(second, {"/1"});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(20000)) << first.readAllStandardError().toStdString();
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    const std::string language = folder_.Read("vellmoar.lng");
    EXPECT_EQ(language.rfind("Error=?", 0), 0u) << language;
    EXPECT_NE(language.find("tray_first_hint=?"), std::string::npos) << "keys asked for are kept";
}

TEST_F(WholeProgramTest, SignalDuringACheckOnATricklingServerEndsTheProgramAtOnce) {
    ScriptedServer server("S:<trickle 100><crlf>");
    WriteSettings({{.email = "a@x.example", .user = "a", .port = server.Port()}});
    QProcess running;
    Launch(running, {"/1"});  // hidden after a second, the first check 8 seconds later
    for (int i = 0; i < 400 && server.Connections() == 0; ++i) QThread::msleep(50);
    ASSERT_EQ(server.Connections(), 1);
    QThread::msleep(300);
    const std::string settings = folder_.Read("vellmoor.ini");

    QElapsedTimer clock;
    clock.start();
    ::kill(static_cast<pid_t>(running.processId()), SIGTERM);
    ASSERT_TRUE(running.waitForFinished(20000));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(running.exitCode(), 0);
    EXPECT_EQ(folder_.Read("vellmoor.ini"), settings) << "the cancelled check records nothing";
}

}  // namespace
