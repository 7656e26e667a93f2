#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/cipher.h"
#include "settings/errors.h"
#include "settings/program_path.h"
#include "settings/settings_test_support.h"
#include "support/temp_folder.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    // The values the tests load into and save from, under their usual names.
    T_settingsValues values;
    std::vector<T_pop3item>& accounts = values.accounts;
    bool& autorun = values.autorun;
    bool& playWave = values.playWave;
    bool& showAdvert = values.showAdvert;
    bool LoadSettings() { return ::LoadSettings(values); }
    bool SaveSettings() { return ::SaveSettings(values); }

    void WriteSettings(const std::string& content) const { folder_.Write("vellmoor.ini", content); }
    std::string Settings() const { return folder_.Read("vellmoor.ini"); }

    static T_pop3item Account(const std::string& host, const std::string& user) {
        T_pop3item item;
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
    T_pop3params params;
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
    ASSERT_EQ(accounts.size(), 3u);
    const T_pop3item& b = accounts[0];
    EXPECT_TRUE(b.enabled);
    EXPECT_EQ(b.params.email, "b@x");
    EXPECT_EQ(b.params.host, "pop.b");
    EXPECT_EQ(b.params.username, "bee");
    EXPECT_EQ(b.params.password, "secret");
    EXPECT_EQ(b.params.port, 110);
    EXPECT_TRUE(b.params.secureLogin);
    EXPECT_TRUE(b.params.ssl);
    // A section without any key: empty texts, port 110, disabled, switches off.
    const T_pop3item& empty = accounts[1];
    EXPECT_FALSE(empty.enabled);
    EXPECT_EQ(empty.params.email, "");
    EXPECT_EQ(empty.params.password, "");
    EXPECT_EQ(empty.params.port, 110);
    EXPECT_FALSE(empty.params.secureLogin);
    EXPECT_FALSE(empty.params.ssl);
    EXPECT_EQ(accounts[2].params.email, "a@x");
    EXPECT_EQ(accounts[2].params.port, 110);
    EXPECT_EQ(accounts[2].params.password.size(), 6u);  // not a cipher text: whatever it gives
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
    const std::vector<T_pop3item> saved = accounts;
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
    WriteSettings("[EML_OLD_NAME]\r\nHOST=pop.x\r\nUSERNAME=u\r\nCOUNT=3\r\n");
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
        EXPECT_EQ(e.what(), "Unable to write to " + folder_.File("vellmoor.ini"));
    }
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
    EXPECT_EQ(other.view2->height, 9);
    EXPECT_EQ(other.view2->columnWidths, (std::vector<int>{40, 50}));
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
