#include "settings/file_places.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "settings/cipher.h"
#include "settings/language.h"
#include "settings/program_path.h"
#include "settings/settings_test_support.h"
#include "settings/text_utils.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Sets environment variables for one test and restores them afterwards.
class EnvironmentScope {
public:
    EnvironmentScope(std::initializer_list<std::pair<const char*, const char*>> values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            saved_.emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
            if (value)
                ::setenv(name, value, 1);
            else
                ::unsetenv(name);
        }
    }
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;
    ~EnvironmentScope() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// An installed tree inside a temporary folder: prefix/bin (the program's folder) and
// prefix/share/tarnwick with English and Czech language files and a help page; the user's
// configuration folder is config/.
class InstalledTree : public ::testing::Test {
protected:
    InstalledTree() {
        fs::create_directories(Bin());
        fs::create_directories(Shared() + "/lang");
        fs::create_directories(Shared() + "/help");
        root_.Write("prefix/share/tarnwick/lang/en.lng", "Error=Error\r\n");
        root_.Write("prefix/share/tarnwick/lang/cs.lng", "Error=Chyba\r\n");
        ResetLanguageTable();
    }
    ~InstalledTree() override { ResetLanguageTable(); }

    std::string Bin() const { return root_.File("prefix/bin"); }
    std::string Shared() const { return root_.File("prefix/share/tarnwick"); }
    std::string UserFolder() const { return root_.File("config/tarnwick"); }

    TempFolder root_;
    ProgramFolderScope scope_{root_.File("prefix/bin")};
    EnvironmentScope environment_{{"XDG_CONFIG_HOME", nullptr},
                                  {"LC_ALL", nullptr},
                                  {"LC_MESSAGES", nullptr},
                                  {"LANG", "C.UTF-8"}};
};

using FilePlacesTest = InstalledTree;

}  // namespace

TEST(FilePlaces, APortableProgramKeepsEveryFileBesideItself) {
    TempFolder folder;
    const ProgramFolderScope scope(folder.Path());
    EXPECT_EQ(CurrentFileMode(), FileMode::Portable);
    EXPECT_EQ(SettingsFilePath(), folder.File("vellmoor.ini"));
    EXPECT_EQ(LanguageFilePlace(), folder.File("vellmoar.lng"));
    EXPECT_EQ(SoundFilePath(), folder.File("newm.wav"));
    EXPECT_EQ(PlacedFilePath(ProgramFile::Help, "800.htm"), folder.File("help/800.htm"));
    EXPECT_EQ(ProgramFileFolder(ProgramFile::ShippedLanguages), folder.File("lang"));
}

TEST(FilePlaces, AFolderTheUserCannotWriteMeansInstalled) {
    TempFolder folder("tarnwick", SystemTempRoot());
    const ProgramFolderScope scope(folder.Path());
    fs::create_directories(folder.File("open"));
    fs::create_directories(folder.File("closed"));
    ::chmod(folder.Path().c_str(), 0755);
    ::chmod(folder.File("open").c_str(), 0777);
    ::chmod(folder.File("closed").c_str(), 0755);
    // As root every folder is writable; the check runs as an ordinary user then.
    EXPECT_TRUE(AsOrdinaryUser([&] {
        ::setenv("XDG_CONFIG_HOME", "/nonexistent/config", 1);
        SetProgramFolder(folder.File("open"));
        const bool portable = CurrentFileMode() == FileMode::Portable &&
                              SettingsFilePath() == folder.File("open/vellmoor.ini");
        SetProgramFolder(folder.File("closed"));
        return portable && CurrentFileMode() == FileMode::Installed &&
               SettingsFilePath() == "/nonexistent/config/tarnwick/vellmoor.ini" &&
               // Without a share/tarnwick the shipped files are the ones beside the program.
               PlacedFilePath(ProgramFile::Help, "100.htm") == folder.File("closed/help/100.htm");
    }));
}

TEST_F(FilePlacesTest, AnInstalledTreeKeepsUserFilesInTheConfigFolderAndReadsTheShippedOnes) {
    const EnvironmentScope config{{"XDG_CONFIG_HOME", root_.File("config").c_str()}};
    EXPECT_EQ(CurrentFileMode(), FileMode::Installed);
    EXPECT_EQ(SettingsFilePath(), UserFolder() + "/vellmoor.ini");
    EXPECT_EQ(LanguageFilePlace(), UserFolder() + "/vellmoar.lng");
    EXPECT_EQ(SoundFilePath("newm.wav"), UserFolder() + "/newm.wav");
    EXPECT_EQ(PlacedFilePath(ProgramFile::Help, "305.htm"), Shared() + "/help/305.htm");
    EXPECT_EQ(ProgramFileFolder(ProgramFile::ShippedLanguages), Shared() + "/lang");
}

TEST_F(FilePlacesTest, TheConfigFolderFallsBackToHomeWhenXdgIsUnsetOrRelative) {
    const EnvironmentScope home{{"HOME", root_.File("home").c_str()},
                                {"XDG_CONFIG_HOME", "relative/config"}};
    EXPECT_EQ(ConfigHomeFolder(), root_.File("home/.config"));
    EXPECT_EQ(SettingsFilePath(), root_.File("home/.config/tarnwick/vellmoor.ini"));
}

TEST_F(FilePlacesTest, FirstStartCopiesTheLanguageOfTheLocaleAndNeverReplacesTheUsersFile) {
    const EnvironmentScope config{{"XDG_CONFIG_HOME", root_.File("config").c_str()},
                                  {"LANG", "cs_CZ.UTF-8"}};
    PrepareUserFiles();
    EXPECT_TRUE(fs::is_directory(UserFolder()));
    EXPECT_EQ(root_.Read("config/tarnwick/vellmoar.lng"), "Error=Chyba\r\n");
    LoadLanguageTable();
    EXPECT_EQ(GetLangText("Error"), "Chyba");

    // The write-back at exit enciphers the user's copy; the shipped file stays as it was.
    EXPECT_TRUE(WriteBackLanguageTable());
    EXPECT_EQ(root_.Read("prefix/share/tarnwick/lang/cs.lng"), "Error=Chyba\r\n");
    const std::string enciphered = root_.Read("config/tarnwick/vellmoar.lng");
    EXPECT_EQ(enciphered, "Error=?" + EncipherText("Chyba") + "\r\n");

    const EnvironmentScope english{{"LANG", "de_DE.UTF-8"}};
    PrepareUserFiles();
    EXPECT_EQ(root_.Read("config/tarnwick/vellmoar.lng"), enciphered);
}

TEST_F(FilePlacesTest, ALocaleWithoutShippedTextsGetsEnglish) {
    const EnvironmentScope config{{"XDG_CONFIG_HOME", root_.File("config").c_str()},
                                  {"LC_MESSAGES", "de_AT"},
                                  {"LANG", "cs_CZ"}};
    PrepareUserFiles();
    EXPECT_EQ(root_.Read("config/tarnwick/vellmoar.lng"), "Error=Error\r\n");
}

TEST(FilePlaces, APortableFolderTakesItsLanguageFileFromTheShippedOnesBesideIt) {
    TempFolder folder;
    const ProgramFolderScope scope(folder.Path());
    const EnvironmentScope locale{
        {"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", "cs_CZ.UTF-8"}};
    PrepareUserFiles();  // nothing shipped: no file, the texts show as their keys
    EXPECT_EQ(folder.FileCount(), 0u);

    fs::create_directories(folder.File("lang"));
    folder.Write("lang/cs.lng", "Error=Chyba\r\n");
    PrepareUserFiles();
    EXPECT_EQ(folder.Read("vellmoar.lng"), "Error=Chyba\r\n");
}

TEST(FilePlaces, TheLanguageCodeComesFromTheMessagesLocale) {
    EXPECT_EQ(LocaleLanguageCode("cs_CZ.UTF-8", "de_DE", "fr_FR"), "cs");
    EXPECT_EQ(LocaleLanguageCode("", "CS_cz", "fr_FR"), "cs");
    EXPECT_EQ(LocaleLanguageCode(nullptr, nullptr, "de.UTF-8"), "de");
    EXPECT_EQ(LocaleLanguageCode(nullptr, nullptr, "sr@latin"), "sr");
    EXPECT_EQ(LocaleLanguageCode(nullptr, nullptr, "C.UTF-8"), "");
    EXPECT_EQ(LocaleLanguageCode("POSIX", nullptr, "cs_CZ"), "");
    EXPECT_EQ(LocaleLanguageCode(nullptr, nullptr, nullptr), "");
    // Never a path: the code names a file in the shipped folder.
    EXPECT_EQ(LocaleLanguageCode(nullptr, nullptr, "../../etc/passwd"), "");
    EXPECT_EQ(LocaleLanguageCode(nullptr, nullptr, "cs/x"), "");
}
