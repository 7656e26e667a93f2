// The autostart entry, the sound request, the help pages and the wait for a socket.
#include <unistd.h>

#include <gmock/gmock.h>

#include <QFileInfo>
#include <QSignalSpy>
#include <QTimer>
#include <filesystem>

#include "app/desktop_events.h"
#include "app_test_support.h"
#include "platform/autorun.h"
#include "platform/desktop_entry.h"
#include "platform/mail_program.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "widgets/child_window.h"
#include "widgets/help.h"
#include "widgets/ui_text.h"

namespace {

using PlatformTest = AppTest;

TEST_F(PlatformTest, AutorunEntryIsWrittenWithThePathAndRemoved) {
    const std::string entry = AutorunFilePath();
    EXPECT_EQ(entry, folder_.File("config/autostart/Tarnwick_Orv.desktop"));
    RemoveAutorun();  // nothing there: no error

    AddAutorun();
    const std::string text = folder_.Read("config/autostart/Tarnwick_Orv.desktop");
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    const std::string program =
        folder_.File(std::filesystem::path(QCoreApplication::applicationFilePath().toStdString())
                         .filename()
                         .string());
    EXPECT_NE(text.find("\nExec=\"" + program + "\" /1\n"), std::string::npos) << text;

    AddAutorun();  // replaced, not doubled
    EXPECT_EQ(folder_.Read("config/autostart/Tarnwick_Orv.desktop"), text);
    RemoveAutorun();
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(PlatformTest, AutorunExecLineEscapesWhatTheDesktopWouldReadOtherwise) {
    EXPECT_EQ(AutorunExecLine("/opt/my apps/tarnwick"), "\"/opt/my apps/tarnwick\" /1");
    EXPECT_EQ(AutorunExecLine("/a$b/100%/x\"y"), "\"/a\\\\$b/100%%/x\\\\\"y\" /1");
}

TEST_F(PlatformTest, AutorunFailuresCarryTheirMessages) {
    folder_.Write("config", "a file where the folder should be");
    try {
        AddAutorun();
        FAIL() << "no error";
    } catch (const TarnwickError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Failed to create key " + folder_.File("config/autostart"));
    }
    std::filesystem::remove(folder_.File("config"));
    std::filesystem::create_directories(
        folder_.File("config/autostart/Tarnwick_Orv.desktop.tmp/x"));
    try {
        AddAutorun();
        FAIL() << "no error";
    } catch (const TarnwickError& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to set data for 'Tarnwick_Orv'");
    }
}

TEST_F(PlatformTest, NewMailSoundIsTheWaveFileOfTheProgramFolder) {
    PlayNewMailSound();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0], folder_.File("newm.wav"));
}

TEST_F(PlatformTest, EveryHelpTopicTheProgramUsesHasAShippedPage) {
    for (int topic :
         {100, 200, 201, 203, 204, 300, 301, 302, 303, 305, 307, 308, 309, 310, 311, 400, 800}) {
        const std::string page =
            std::string(TARNWICK_DATA_DIR) + "/help/" + std::to_string(topic) + ".htm";
        EXPECT_TRUE(std::filesystem::is_regular_file(page)) << page;
    }
    EXPECT_EQ(HelpPagePath(305), folder_.File("help/305.htm"));
}

TEST_F(PlatformTest, AnInstalledProgramPlaysTheUsersSoundShowsTheShippedHelpAndStartsItself) {
    std::filesystem::create_directories(folder_.File("prefix/bin"));
    std::filesystem::create_directories(folder_.File("prefix/share/tarnwick/lang"));
    const ProgramFolderScope installed(folder_.File("prefix/bin"));
    PlayNewMailSound();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0], folder_.File("config/tarnwick/newm.wav"));
    EXPECT_EQ(HelpPagePath(800), folder_.File("prefix/share/tarnwick/help/800.htm"));
    // The autostart entry starts the installed program, not anything in the user's folder.
    AddAutorun();
    const std::string program =
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    EXPECT_NE(folder_.Read("config/autostart/Tarnwick_Orv.desktop")
                  .find("\nExec=\"" + folder_.File("prefix/bin/" + program) + "\" /1\n"),
              std::string::npos);
    RemoveAutorun();
}

TEST_F(PlatformTest, MessageBoxShowsItsTextAsItIs) {
    SetMessageBoxHook({});
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&format] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            format = box->textFormat();
            box->done(QMessageBox::Ok);
        }
    });
    ShowMessageBox(nullptr, QStringLiteral("Error"), QStringLiteral("<img src=\"x.png\"> no"),
                   QMessageBox::Critical);
    EXPECT_EQ(format, Qt::PlainText);
}

}  // namespace

TEST_F(PlatformTest, TheCommandOnNewMailHearsTheAccountOnlyThroughItsEnvironment) {
    TestAccount testAccount;
    testAccount.email = "$(touch pwned)`id`@x.example";
    WriteSettings({testAccount});
    Start();
    ProgramState().LoadSettings();
    const std::string out = folder_.File("heard.txt");
    OpenSettings()->WriteString(
        "GENERAL", "NEW_MAIL_COMMAND",
        "printf '%s|%s|%s' \"$TARNWICK_EMAIL\" \"$TARNWICK_COUNT\" \"$TARNWICK_CHANGE\" > '" + out +
            "'; echo noise; echo more >&2; exit 4");
    const AccountSettings account = ProgramState().accounts[0].params;
    OpenSettings()->WriteString(AccountSection(account), "COUNT", "7");
    QSignalSpy changed(&services->Desktop(), &DesktopEvents::MailChanged);
    monitor->RecordCheck(account, 2, 2);
    for (int i = 0; i < 250 && ProgramState().commandFailures.empty(); ++i) RunFor(20);
    EXPECT_EQ(folder_.Read("heard.txt"), account.email + "|7|2");
    EXPECT_FALSE(std::filesystem::exists(folder_.File("pwned")));
    EXPECT_EQ(
        ProgramState().commandFailures[account.email],
        GetLangText("new_mail_command_failed") + " (" + GetLangText("command_exit_status") + " 4)");
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0], (QVariantList{ToQt(account.email), 7, 2}));

    // The next new mail clears the note; a decrease runs no command.
    OpenSettings()->WriteString("GENERAL", "NEW_MAIL_COMMAND", "true");
    monitor->RecordCheck(account, 1, 1);
    EXPECT_TRUE(ProgramState().commandFailures.empty());
    std::filesystem::remove(out);
    OpenSettings()->WriteString("GENERAL", "NEW_MAIL_COMMAND", "touch '" + out + "'");
    monitor->RecordCheck(account, -1, 0);
    RunFor(300);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(changed.size(), 3);
    // A new message at the same count is new mail too.
    monitor->RecordCheck(account, 0, 1);
    for (int i = 0; i < 250 && !std::filesystem::exists(out); ++i) RunFor(20);
    EXPECT_TRUE(std::filesystem::exists(out));
    EXPECT_EQ(monitor->NewMail().total, 4);
}

TEST_F(PlatformTest, DesktopEntryLinesAreReadAsTheDesktopReadsThem) {
    const ExecFields fields{"mail-icon", "Mail Reader", "/apps/m.desktop"};
    const auto args = [&](std::string_view exec) {
        return ExecArguments(exec, fields).value_or(std::vector<std::string>{"(none)"});
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(args("mailer %u"), (V{"mailer"}));
    EXPECT_EQ(args(R"("/opt/my mail/run" --title=%c %i %k 100%% "a \"b\" \$c")"),
              (V{"/opt/my mail/run", "--title=Mail Reader", "--icon", "mail-icon",
                 "/apps/m.desktop", "100%", "a \"b\" $c"}));
    EXPECT_EQ(args(R"("unclosed)"), (V{"(none)"}));
    EXPECT_EQ(args("%U"), (V{"(none)"}));

    const std::string entry =
        "# comment\n[Desktop Entry]\nName[cs]=Pošta\nName=Mail\nExec=sh -c \"echo \\\\\"x\\\\\"\"\n"
        "[Desktop Action compose]\nExec=mailer --compose\n";
    const auto keys = ReadDesktopGroup(entry, "Desktop Entry");
    EXPECT_EQ(keys.at("Name"), "Mail");
    EXPECT_EQ(args(keys.at("Exec")), (V{"sh", "-c", "echo \"x\""}));
    EXPECT_EQ(DefaultApplications("[Added Associations]\nx-scheme-handler/mailto=b.desktop\n"
                                  "[Default Applications]\nx-scheme-handler/mailto= a.desktop ;"
                                  "b.desktop;\n",
                                  "x-scheme-handler/mailto"),
              (V{"a.desktop", "b.desktop"}));
}

TEST_F(PlatformTest, TheMailProgramIsTheSettingElseTheMailtoHandlersEntry) {
    WriteSettings({});
    Start();
    boxes.clear();  // the first-run explanation
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(folder_.File("data")));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(folder_.File("system")));
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(folder_.File("etc")));
    struct Restore {
        ~Restore() {
            for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
                qunsetenv(name);
        }
    } restore;
    EXPECT_FALSE(FindMailProgram());
    EXPECT_FALSE(OpenMailProgram(nullptr));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, GetLangText("no_mail_program_dialog"));

    const auto put = [this](const std::string& name, const std::string& text) {
        std::filesystem::create_directories(
            std::filesystem::path(folder_.File(name)).parent_path());
        folder_.Write(name, text);
    };
    // The user's list names an entry that is not installed; the system's one counts then.
    put("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/mailto=gone.desktop;\n");
    put("etc/mimeapps.list",
        "[Default Applications]\nx-scheme-handler/mailto=vendor-mail.desktop\n");
    put("system/applications/vendor/mail.desktop",
        "[Desktop Entry]\nExec=mailer --new-window %u\nPath=/tmp\nTerminal=false\n");
    std::optional<MailProgramLaunch> launch = FindMailProgram();
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->program, "mailer");
    EXPECT_EQ(launch->arguments, QStringList{"--new-window"});
    EXPECT_EQ(launch->workingDirectory, "/tmp");

    OpenSettings()->WriteString("GENERAL", "MAIL_PROGRAM", "\"/opt/my mail/m\" -p $HOME;x");
    launch = FindMailProgram();
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->program, "/opt/my mail/m");
    EXPECT_EQ(launch->arguments, (QStringList{"-p", "$HOME;x"}));
    EXPECT_FALSE(OpenMailProgram(nullptr));  // no such program: said so
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_THAT(boxes[1].text, ::testing::StartsWith(GetLangText("mail_program_failed_dialog")));
}

// A single window opens once and is raised after that; closed, it is forgotten and tells
// the main window, and the next open makes a new one.
TEST_F(PlatformTest, ASingleWindowOpensOnceAndSaysWhenItIsGone) {
    int closed = 0;
    QObject receiver;
    QObject::connect(&Requests(), &WindowRequests::windowClosed, &receiver, [&] { ++closed; });
    int made = 0;
    const auto make = [&] {
        ++made;
        return new ChildWindow(WindowKind::Filter, Qt::Tool);
    };
    QWidget* opened = OpenOrRaise(WindowKind::Filter, make);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(OpenWindow(WindowKind::Filter), opened);
    EXPECT_TRUE(opened->isVisible());
    EXPECT_EQ(OpenOrRaise(WindowKind::Filter, make), nullptr);
    EXPECT_EQ(made, 1);

    opened->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(OpenWindow(WindowKind::Filter), nullptr);
    EXPECT_EQ(closed, 1);
    delete OpenOrRaise(WindowKind::Filter, make);
    EXPECT_EQ(made, 2);
}
