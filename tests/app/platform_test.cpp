// The autostart entry, the sound request, the help pages and the wait for a socket.
#include <unistd.h>

#include <QFileInfo>
#include <QTimer>
#include <filesystem>

#include "app_test_support.h"
#include "platform/autorun.h"
#include "platform/help.h"
#include "platform/program_state.h"
#include "settings/errors.h"

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
