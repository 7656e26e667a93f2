#include "settings/settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "settings/cipher.h"
#include "settings/errors.h"
#include "settings/file_io.h"
#include "settings/program_path.h"
#include "settings/settings_test_support.h"
#include "settings/watched_folders.h"
#include "support/temp_folder.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    // The values the tests load into and save from, under their usual names.
    SettingsValues values;
    std::vector<AccountEntry>& accounts = values.accounts;
    bool& autorun = values.autorun;
    bool& playWave = values.playWave;
    bool& showAdvert = values.showAdvert;
    bool LoadSettings() { return ::LoadSettings(values); }
    bool SaveSettings() { return ::SaveSettings(values); }

    void WriteSettings(const std::string& content) const { folder_.Write("vellmoor.ini", content); }
    std::string Settings() const { return folder_.Read("vellmoor.ini"); }

    static AccountEntry Account(const std::string& host, const std::string& user) {
        AccountEntry item;
        item.enabled = true;
        item.params.email = user + "@" + host;
        item.params.host = host;
        item.params.username = user;
        item.params.password = "pw-" + user;
        item.params.port = 995;
        item.params.ssl = true;
        return item;
    }

    // One saved account whose section then gets run-state keys, as a check would write them.
    std::unique_ptr<IniFile> SavedAccountWithRunState() {
        accounts.push_back(Account("pop.one", "ann"));
        SaveSettings();
        auto ini = OpenSettings();
        ini->WriteInteger("EML_POP_ONE_ANN", "COUNT", 7);
        ini->WriteString("EML_POP_ONE_ANN", "LAST_ERROR", "refused~twice");
        return ini;
    }

    TempFolder folder_{"tarnwick", SystemTempRoot()};
    ProgramFolderScope scope_{folder_.Path()};
};

}  // namespace

TEST(AccountSection, UpperCasesAndReplacesEveryOtherCharacter) {
    AccountSettings params;
    params.host = "mail-1";
    params.username = "John.Doe";
    EXPECT_EQ(AccountSection(params), "EML_MAIL_1_JOHN_DOE");
    params.host = "pop.\xe9xample.cz";
    params.username = "a b@c";
    EXPECT_EQ(AccountSection(params), "EML_POP__XAMPLE_CZ_A_B_C");
}

TEST_F(SettingsTest, OpenSettingsUsesTheProgramFolder) {
    EXPECT_EQ(OpenSettings()->Path(), folder_.File("vellmoor.ini"));
}

TEST_F(SettingsTest, AMissingFileLoadsAsDefaults) {
    autorun = true;
    playWave = true;
    showAdvert = false;
    accounts.push_back(Account("h", "u"));
    EXPECT_TRUE(LoadSettings());
    EXPECT_TRUE(accounts.empty());
    EXPECT_FALSE(autorun);
    EXPECT_FALSE(playWave);
    EXPECT_TRUE(showAdvert);
}

TEST_F(SettingsTest, LoadsOnlyExactlyNamedAccountSectionsInFileOrder) {
    WriteSettings(
        "[GENERAL]\r\nAUTORUN=1\r\nPLAYWAVE=0x1\r\nSHOW_ADVERT=0\r\n"
        "[EML_B]\r\nENABLED=1\r\nEMAIL=b@x\r\nHOST=pop.b\r\nUSERNAME=bee\r\nPASSWORD=" +
        EncipherText("secret") +
        "\r\nPORT=0x6E\r\nSECURE_LOGIN=1\r\nSSL=1\r\n"
        "[eml_lower]\r\nEMAIL=lower@x\r\n[EML_EMPTY]\r\n[XEML_A]\r\nEMAIL=x\r\n"
        "[EML_A]\r\nEMAIL=a@x\r\nPORT=abc\r\nPASSWORD=typed in!\r\n");
    LoadSettings();
    EXPECT_TRUE(autorun);
    EXPECT_TRUE(playWave);
    EXPECT_FALSE(showAdvert);
    ASSERT_EQ(accounts.size(), 2u);
    const AccountEntry& b = accounts[0];
    EXPECT_TRUE(b.enabled);
    EXPECT_EQ(b.params.email, "b@x");
    EXPECT_EQ(b.params.host, "pop.b");
    EXPECT_EQ(b.params.username, "bee");
    EXPECT_EQ(b.params.password, "secret");
    EXPECT_EQ(b.params.port, 110);
    EXPECT_TRUE(b.params.secureLogin);
    EXPECT_TRUE(b.params.ssl);
    // A section without an e-mail address (EML_EMPTY) is no account. Keys that are missing or
    // bad: port 110, switches off.
    EXPECT_EQ(accounts[1].params.email, "a@x");
    EXPECT_EQ(accounts[1].params.port, 110);
    EXPECT_FALSE(accounts[1].enabled);
    EXPECT_FALSE(accounts[1].params.secureLogin);
    EXPECT_FALSE(accounts[1].params.ssl);
    EXPECT_EQ(accounts[1].params.password.size(), 6u);  // not a cipher text: whatever it gives
}

TEST_F(SettingsTest, AByteOrderMarkHidesNoAccountAndARepeatedSectionIsOneAccount) {
    WriteSettings(
        "\xEF\xBB\xBF[EML_A]\r\nEMAIL=a@x\r\nPORT=1\r\n[eml_a]\r\nEMAIL=b@x\r\nPORT=2\r\n");
    LoadSettings();
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ(accounts[0].params.port, 1);
    SaveSettings();
    EXPECT_TRUE(Settings().starts_with("\xEF\xBB\xBF[GENERAL]\r\n"));
}

TEST_F(SettingsTest, RunStateOfAHandNamedSectionDoesNotLoadAsABlankAccount) {
    // A check keeps the run state of [EML_MYBOX] in the section named after server and user,
    // which then holds no e-mail address.
    WriteSettings(
        "[EML_MYBOX]\r\nENABLED=1\r\nEMAIL=me@x\r\nHOST=pop.x\r\nUSERNAME=u\r\n"
        "[EML_POP_X_U]\r\nLAST_RESULT=1\r\nCOUNT=3\r\n[EML_BLANK]\r\nEMAIL= \r\n");
    LoadSettings();
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ(accounts[0].params.email, "me@x");
}

TEST_F(SettingsTest, SaveWritesGeneralThenEveryAccountInOrder) {
    autorun = true;
    accounts.push_back(Account("pop.one", "ann"));
    accounts.back().params.secureLogin = true;
    accounts.push_back(Account("pop.two", "bob"));
    accounts.back().params.password = "";
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(Settings(),
              "[GENERAL]\r\nAUTORUN=1\r\nPLAYWAVE=0\r\nSHOW_ADVERT=1\r\n"
              "[EML_POP_ONE_ANN]\r\nENABLED=1\r\nEMAIL=ann@pop.one\r\nHOST=pop.one\r\n"
              "USERNAME=ann\r\nPASSWORD=" +
                  EncipherText("pw-ann") +
                  "\r\nPORT=995\r\nSECURE_LOGIN=1\r\nSSL=1\r\n"
                  "[EML_POP_TWO_BOB]\r\nENABLED=1\r\nEMAIL=bob@pop.two\r\nHOST=pop.two\r\n"
                  "USERNAME=bob\r\nPASSWORD=\r\nPORT=995\r\nSECURE_LOGIN=0\r\nSSL=1\r\n");
    const std::vector<AccountEntry> saved = accounts;
    LoadSettings();
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0].params.password, "pw-ann");
    EXPECT_EQ(accounts[1].params.email, saved[1].params.email);
}

TEST_F(SettingsTest, RunStateOfAnUnchangedAccountSurvivesASave) {
    const auto ini = SavedAccountWithRunState();
    accounts[0].params.email = "changed@pop.one";
    SaveSettings();
    EXPECT_EQ(ini->ReadInteger("EML_POP_ONE_ANN", "COUNT", 0), 7);
    EXPECT_EQ(ini->ReadString("EML_POP_ONE_ANN", "LAST_ERROR", ""), "refused~twice");
    EXPECT_EQ(ini->ReadString("EML_POP_ONE_ANN", "EMAIL", ""), "changed@pop.one");
}

TEST_F(SettingsTest, AChangedUserNameLeavesOneFreshSection) {
    const auto ini = SavedAccountWithRunState();
    accounts[0].params.username = "anna";
    SaveSettings();
    EXPECT_EQ(ini->ReadSections(), (std::vector<std::string>{"GENERAL", "EML_POP_ONE_ANNA"}));
    EXPECT_EQ(ini->ReadSection("EML_POP_ONE_ANNA"),
              (std::vector<std::string>{"ENABLED", "EMAIL", "HOST", "USERNAME", "PASSWORD", "PORT",
                                        "SECURE_LOGIN", "SSL"}));
}

TEST_F(SettingsTest, SavingNoAccountsErasesOnlyAccountSections) {
    WriteSettings(
        "[GENERAL]\r\nPOPLISTWINDOW_WIDTH=500\r\n[EML_A]\r\nEMAIL=a\r\n[SERVERLIST]\r\n"
        "S1=pop.a\r\n[eml_hand_made]\r\nEMAIL=h\r\n[GENERAL_FILTER]\r\nSIZE=1\r\n"
        "[Eml_Mixed]\r\nx=1\r\n[FILTER]\r\nF0=Subject: %win\r\n[EML_B]\r\nEMAIL=b\r\n");
    SaveSettings();
    EXPECT_EQ(Settings(),
              "[GENERAL]\r\nPOPLISTWINDOW_WIDTH=500\r\nAUTORUN=0\r\nPLAYWAVE=0\r\nSHOW_ADVERT=1\r\n"
              "[SERVERLIST]\r\nS1=pop.a\r\n[eml_hand_made]\r\nEMAIL=h\r\n[GENERAL_FILTER]\r\n"
              "SIZE=1\r\n[Eml_Mixed]\r\nx=1\r\n[FILTER]\r\nF0=Subject: %win\r\n");
}

TEST_F(SettingsTest, AHandEditedSectionIsRewrittenUnderItsComputedName) {
    WriteSettings("[EML_OLD_NAME]\r\nEMAIL=u@x\r\nHOST=pop.x\r\nUSERNAME=u\r\nCOUNT=3\r\n");
    LoadSettings();
    SaveSettings();
    const auto ini = OpenSettings();
    EXPECT_EQ(ini->ReadSections(), (std::vector<std::string>{"GENERAL", "EML_POP_X_U"}));
    EXPECT_EQ(ini->ReadInteger("EML_POP_X_U", "COUNT", -1), -1);
}

TEST_F(SettingsTest, AccountsWithTheSameServerAndUserShareASectionAndTheLaterWins) {
    accounts.push_back(Account("pop.one", "ann"));
    accounts.push_back(Account("POP.ONE", "Ann"));
    accounts.back().params.email = "later@x";
    SaveSettings();
    LoadSettings();
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ(accounts[0].params.email, "later@x");
}

TEST_F(SettingsTest, AnUnwritableFileReportsItsPath) {
    // A folder in the file's place: the temporary file cannot be renamed over it.
    std::filesystem::create_directories(folder_.File("vellmoor.ini/in-the-way"));
    accounts.push_back(Account("pop.one", "ann"));
    try {
        SaveSettings();
        FAIL() << "no error";
    } catch (const TarnwickError& e) {
        EXPECT_EQ(e.what(),
                  "Unable to write to " + folder_.File("vellmoor.ini") + ": Is a directory");
    }
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsAnErrorWithItsReasonAndStaysAsItIs) {
    const auto loadError = [this] {
        try {
            LoadSettings();
        } catch (const TarnwickError& e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    const std::string path = folder_.File("vellmoor.ini");
    // A folder in the file's place cannot be read by anyone, root included.
    std::filesystem::create_directory(path);
    EXPECT_EQ(loadError(), "Unable to read " + path + ": Is a directory");
    std::filesystem::remove(path);

    const std::string noise("\x8f\x00[EML_A]\r\nEMAIL=a@x\r\n\x00\xff\x13", 25);
    WriteSettings(noise);
    EXPECT_EQ(loadError(), "Unable to read " + path + ": not a settings file");
    EXPECT_EQ(Settings(), noise);

    WriteSettings("[EML_A]\r\nEMAIL=a@x\r\n");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    ::chmod(folder_.Path().c_str(), 0777);  // the program's own folder, not an installed one
    // Root reads any file: try as an ordinary user in a child process.
    EXPECT_TRUE(AsOrdinaryUser(
        [&] { return loadError() == "Unable to read " + path + ": Permission denied"; }));
}

TEST_F(SettingsTest, TheFileHoldsPasswordsSoOnlyItsOwnerMayReadIt) {
    WriteSettings("[GENERAL]\r\n");
    ::chmod(folder_.File("vellmoor.ini").c_str(), 0644);
    accounts.push_back(Account("pop.one", "ann"));
    SaveSettings();
    struct stat info {};
    ASSERT_EQ(::stat(folder_.File("vellmoor.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(SettingsTest, ASaveRemovesTheTemporaryFilesKilledSavesLeft) {
    namespace fs = std::filesystem;
    const std::string stale = folder_.File("vellmoor.ini.0badf00d~");
    folder_.Write("vellmoor.ini.0badf00d~", "PASSWORD=...");
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    // A save under way elsewhere, and files that are not ours.
    const std::vector<std::string> kept{"vellmoor.ini.12345678~", "vellmoor.ini.backup~",
                                        "other.ini.0badf00d~"};
    for (const std::string& name : kept) folder_.Write(name, "x");
    fs::last_write_time(folder_.File(kept[2]),
                        fs::file_time_type::clock::now() - std::chrono::hours(2));
    SaveSettings();
    EXPECT_FALSE(fs::exists(stale));
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(folder_.File(name))) << name;
}

TEST_F(SettingsTest, AKilledSaveLeavesNoTemporaryFile) {
    const std::string path = folder_.File("vellmoor.ini");
    const std::string large(16 << 20, 'x');
    const pid_t child = ::fork();
    if (child == 0) {
        for (;;) WriteFileAtomically(path, large, FileAccess::OwnerOnly);
    }
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
        EXPECT_EQ(entry.path().filename(), "vellmoor.ini");
}

TEST_F(SettingsTest, ServerListReadsValuesInKeyOrder) {
    std::vector<std::string> servers{"stale"};
    ReadServerList(servers);
    EXPECT_TRUE(servers.empty());
    WriteSettings("[SERVERLIST]\r\nz=pop.z\r\na=pop.a\r\nempty=\r\nnot a key\r\n");
    ReadServerList(servers);
    EXPECT_EQ(servers, (std::vector<std::string>{"pop.z", "pop.a", ""}));
}

TEST_F(SettingsTest, WindowLayoutRoundTripsWithCurrentSizesAsDefaults) {
    WindowLayout list{"popListWindow",
                      800,
                      600,
                      ListViewLayout{"headers", 300, {10, 20, 30}},
                      ControlLayout{"memo", 250},
                      ListViewLayout{"header_list", 0, {40, 50}}};
    WindowLayout fresh = list;
    LoadWindowLayout(fresh);  // nothing stored yet: every size stays
    EXPECT_EQ(fresh.width, 800);
    EXPECT_EQ(fresh.view->columnWidths, (std::vector<int>{10, 20, 30}));
    SaveWindowLayout(list);
    EXPECT_EQ(Settings(),
              "[GENERAL]\r\nPOPLISTWINDOW_WIDTH=800\r\nPOPLISTWINDOW_HEIGHT=600\r\n"
              "HEADERS_HEIGHT=300\r\nHEADERS_C_0=10\r\nHEADERS_C_1=20\r\nHEADERS_C_2=30\r\n"
              "HEADER_LIST_C_0=40\r\nHEADER_LIST_C_1=50\r\nMEMO_WIDTH=250\r\n");
    WindowLayout other{"popListWindow",
                       1,
                       2,
                       ListViewLayout{"headers", 3, {4, 5, 6, 7}},
                       ControlLayout{"memo", 8},
                       ListViewLayout{"header_list", 9, {10, 11}}};
    LoadWindowLayout(other);
    EXPECT_EQ(other.width, 800);
    EXPECT_EQ(other.height, 600);
    EXPECT_EQ(other.view->height, 300);
    EXPECT_EQ(other.view->columnWidths, (std::vector<int>{10, 20, 30, 7}));
    EXPECT_EQ(other.headerView->height, 9);
    EXPECT_EQ(other.headerView->columnWidths, (std::vector<int>{40, 50}));
    EXPECT_EQ(other.control->width, 250);
}

TEST_F(SettingsTest, ResultsWindowKeepsItsWidthButNotItsHeight) {
    WindowLayout results;
    results.window = "popResultsWindow";
    results.width = 420;
    results.height = 310;
    SaveWindowLayout(results);
    EXPECT_EQ(Settings(), "[GENERAL]\r\nPOPRESULTSWINDOW_WIDTH=420\r\n");
    results.width = 100;
    results.height = 200;
    LoadWindowLayout(results);
    EXPECT_EQ(results.width, 420);
    EXPECT_EQ(results.height, 200);
}

TEST_F(SettingsTest, StartTlsIsStoredOnlyForAccountsThatUseItOrUsedIt) {
    // A file from before STARTTLS loads and saves byte for byte as it was.
    accounts.push_back(Account("pop.one", "ann"));
    accounts.back().params.ssl = false;
    SaveSettings();
    const std::string before = Settings();
    LoadSettings();
    EXPECT_FALSE(accounts[0].params.startTls);
    SaveSettings();
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(before.find("STARTTLS"), std::string::npos);

    accounts[0].params.startTls = true;
    SaveSettings();
    LoadSettings();
    EXPECT_TRUE(accounts[0].params.startTls);
    EXPECT_FALSE(accounts[0].params.ssl);
    EXPECT_EQ(OpenSettings()->ReadString("EML_POP_ONE_ANN", "STARTTLS", ""), "1");

    // Switching to TLS (or to none) turns the stored key off.
    accounts[0].params.ssl = true;
    SaveSettings();
    LoadSettings();
    EXPECT_TRUE(accounts[0].params.ssl);
    EXPECT_FALSE(accounts[0].params.startTls);
    EXPECT_EQ(OpenSettings()->ReadString("EML_POP_ONE_ANN", "STARTTLS", ""), "0");

    // A hand-edited section with both keys connects with TLS from the first byte.
    OpenSettings()->WriteString("EML_POP_ONE_ANN", "STARTTLS", "1");
    LoadSettings();
    EXPECT_TRUE(accounts[0].params.ssl);
    EXPECT_FALSE(accounts[0].params.startTls);
}

TEST_F(SettingsTest, ProtocolAndFolderAreStoredOnlyForAccountsThatUseThem) {
    accounts.push_back(Account("pop.one", "ann"));
    SaveSettings();
    const std::string before = Settings();
    LoadSettings();
    EXPECT_EQ(accounts[0].params.protocol, MailProtocol::Pop3);
    EXPECT_EQ(accounts[0].params.Folder(), "INBOX");
    SaveSettings();
    EXPECT_EQ(Settings(), before);

    accounts[0].params.protocol = MailProtocol::Imap;
    accounts[0].params.folder = "Lists/Debian";
    SaveSettings();
    OpenSettings()->WriteString("EML_POP_ONE_ANN", "PROTOCOL", "imap");  // by hand
    LoadSettings();
    EXPECT_EQ(accounts[0].params.protocol, MailProtocol::Imap);
    EXPECT_EQ(accounts[0].params.Folder(), "Lists/Debian");
    EXPECT_TRUE(accounts[0].params.folders.empty());

    accounts[0].params.folders = "INBOX, Work";
    SaveSettings();
    LoadSettings();
    EXPECT_EQ(accounts[0].params.folders, "INBOX, Work");

    accounts[0].params.protocol = MailProtocol::Pop3;
    accounts[0].params.folder.clear();
    SaveSettings();
    EXPECT_EQ(OpenSettings()->ReadString("EML_POP_ONE_ANN", "PROTOCOL", ""), "POP3");
    LoadSettings();
    EXPECT_EQ(accounts[0].params.protocol, MailProtocol::Pop3);
}

TEST(FolderChoice, ParsesNamesOrEverySubscribedFolder) {
    EXPECT_TRUE(ParseFolderChoice("").Empty());
    EXPECT_TRUE(ParseFolderChoice(" * ").allSubscribed);
    const FolderChoice choice = ParseFolderChoice(" INBOX,Work , ,Lists/dev,Work,Přijaté");
    EXPECT_EQ(choice.names, (std::vector<std::string>{"INBOX", "Work", "Lists/dev", "Přijaté"}));
    EXPECT_EQ(FolderChoiceValue(choice), "INBOX, Work, Lists/dev, Přijaté");
    EXPECT_EQ(FolderChoiceValue(ParseFolderChoice("*")), "*");
}

TEST_F(SettingsTest, FolderRunStateRoundTripsAndAShorterListLeavesNoStaleKeys) {
    WriteSettings("[EML_A]\r\nFOLDER1_NAME=INBOX\r\nFOLDER1_UIDNEXT=x\r\n");
    const auto file = OpenSettings();
    IniFile& ini = *file;
    EXPECT_EQ(StoredFolderStates(ini, "EML_A").size(), 1u);
    EXPECT_EQ(StoredFolderStates(ini, "EML_A")[0].uidNext, 0u);
    const std::vector<FolderRunState> three = {
        {"INBOX", 3, 1, 2, 40, 7}, {"Work", 5, 0, 0, 9, 7}, {"Přijaté", 1, -1, 1, 4294967295u, 8}};
    StoreFolderStates(ini, "EML_A", three);
    const std::vector<FolderRunState> stored = StoredFolderStates(ini, "EML_A");
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[2].name, "Přijaté");
    EXPECT_EQ(stored[2].change, -1);
    EXPECT_EQ(stored[2].uidNext, 4294967295u);
    ASSERT_NE(FindFolderState(stored, "Work"), nullptr);
    EXPECT_EQ(FindFolderState(stored, "Work")->count, 5);

    StoreFolderStates(ini, "EML_A", {three[1]});
    EXPECT_EQ(StoredFolderStates(ini, "EML_A").size(), 1u);
    EXPECT_EQ(ini.ReadString("EML_A", "FOLDER3_UIDNEXT", "gone"), "gone");
}

TEST_F(SettingsTest, SignInKeysAreStoredOnlyForOAuthAccountsBesideTheirRefreshToken) {
    accounts.push_back(Account("pop.one", "ann"));
    accounts.push_back(Account("imap.two", "bob"));
    accounts.back().params.passwordStore = PasswordStore::Keyring;
    SaveSettings();
    const std::string before = Settings();
    LoadSettings();
    EXPECT_FALSE(accounts[0].params.UsesOAuth());
    SaveSettings();
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(before.find("AUTH"), std::string::npos);
    EXPECT_EQ(before.find("GOA_ACCOUNT"), std::string::npos);

    accounts[0].params.auth = AuthMethod::OAuth2;
    accounts[0].params.oauthProvider = "microsoft";
    accounts[0].params.password = "refresh-token";
    SaveSettings();
    const auto ini = OpenSettings();
    EXPECT_EQ(ini->ReadString("EML_POP_ONE_ANN", "AUTH", ""), "oauth2");
    EXPECT_EQ(ini->ReadString("EML_POP_ONE_ANN", "OAUTH_PROVIDER", ""), "microsoft");
    EXPECT_EQ(ini->ReadString("EML_POP_ONE_ANN", "PASSWORD", "none"), "none");
    EXPECT_NE(ini->ReadString("EML_POP_ONE_ANN", "OAUTH_REFRESH", ""), "refresh-token");
    LoadSettings();
    EXPECT_TRUE(accounts[0].params.UsesOAuth());
    EXPECT_EQ(accounts[0].params.password, "refresh-token");
    EXPECT_FALSE(accounts[1].params.UsesOAuth());

    accounts[0].params.auth = AuthMethod::Password;
    SaveSettings();
    EXPECT_EQ(OpenSettings()->ReadString("EML_POP_ONE_ANN", "AUTH", ""), "password");
}
