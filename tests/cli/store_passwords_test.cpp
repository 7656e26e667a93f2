// Passwords in a real desktop keyring (the private gnome-keyring of the "keyring" fixture):
// moving them there and back, checking with them, and what happens without any keyring.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "cli/store_passwords.h"
#include "settings/cipher.h"
#include "settings/keyring.h"
#include "settings/settings.h"
#include "support/keyring_fixture.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

namespace {

class StorePasswordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UseTestKeyring()) GTEST_SKIP() << "the keyring fixture is not running";
    }

    AccountSettings& Add(const std::string& user, const std::string& password) {
        AccountEntry item;
        item.enabled = true;
        item.params.email = user + "@test.example";
        item.params.host = "127.0.0.1";
        item.params.port = 1;
        item.params.username = user + std::to_string(::getpid());
        item.params.password = password;
        values_.accounts.push_back(item);
        return values_.accounts.back().params;
    }

    std::string Key(const AccountSettings& account, const char* key) {
        return OpenSettings()->ReadString(AccountSection(account), key, "(absent)");
    }

    int Store(PasswordStore target) {
        out_.str("");
        return StorePasswords(target, DesktopKeyring(), out_);
    }

    TempFolder folder_{"keyring"};
    ProgramFolderScope scope_{folder_.Path()};
    SettingsValues values_;
    std::ostringstream out_;
};

}  // namespace

TEST_F(StorePasswordsTest, EveryPasswordMovesIntoTheKeyringAndBackUnchanged) {
    const AccountSettings one = Add("one", "secret one");
    const AccountSettings two = Add("two", "p=ss ~\xC3\xA9");
    SaveSettings(values_);

    ASSERT_EQ(Store(PasswordStore::Keyring), kExitOk) << out_.str();
    EXPECT_EQ(out_.str(), "one@test.example\tmoved\ntwo@test.example\tmoved\n");
    for (const AccountSettings* account : {&one, &two}) {
        EXPECT_EQ(Key(*account, "PASSWORD_STORE"), "keyring");
        EXPECT_EQ(Key(*account, "PASSWORD"), "(absent)");
        EXPECT_EQ(DesktopKeyring().Read(*account).password, account->password);
    }
    // The program's own save keeps them there; a second move finds them there.
    SettingsValues loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.accounts[0].params.passwordStore, PasswordStore::Keyring);
    EXPECT_EQ(loaded.accounts[0].params.password, "");
    SaveSettings(loaded);
    EXPECT_EQ(Key(one, "PASSWORD"), "(absent)");
    ASSERT_EQ(Store(PasswordStore::Keyring), kExitOk);
    EXPECT_EQ(out_.str(), "one@test.example\talready there\ntwo@test.example\talready there\n");

    ASSERT_EQ(Store(PasswordStore::File), kExitOk) << out_.str();
    EXPECT_EQ(out_.str(), "one@test.example\tmoved\ntwo@test.example\tmoved\n");
    for (const AccountSettings* account : {&one, &two}) {
        EXPECT_EQ(DecipherText(Key(*account, "PASSWORD")), account->password);
        EXPECT_EQ(Key(*account, "PASSWORD_STORE"), "(absent)");
        EXPECT_EQ(DesktopKeyring().Read(*account).status, KeyringStatus::NotFound);
    }
}

TEST_F(StorePasswordsTest, ACheckLogsInWithThePasswordFromTheKeyring) {
    const MailUser user = AddMailUser("keyring", "in the keyring");
    AddMessages(user, 2);
    AccountEntry item;
    item.enabled = true;
    item.params = AccountFor(user);
    values_.accounts.push_back(item);
    SaveSettings(values_);
    ASSERT_EQ(Store(PasswordStore::Keyring), kExitOk) << out_.str();

    std::ostringstream out;
    EXPECT_EQ(CheckAllAccounts(out), kExitOk);
    EXPECT_EQ(out.str(), item.params.email + "\t2\t2\tOK\n");
}

TEST_F(StorePasswordsTest, WithoutAKeyringNothingMovesAndAKeyringAccountFailsNamingIt) {
    UseNoKeyring();
    const AccountSettings inFile = Add("file", "stays");
    SaveSettings(values_);
    EXPECT_EQ(Store(PasswordStore::Keyring), kExitFailed);
    EXPECT_EQ(out_.str(),
              "file@test.example\tThe desktop keyring is locked or unavailable. (Could not "
              "connect: No such file or directory)\n");
    EXPECT_EQ(DecipherText(Key(inFile, "PASSWORD")), "stays");
    EXPECT_EQ(Key(inFile, "PASSWORD_STORE"), "(absent)");

    // A keyring account is checked without the keyring: its own error, asked once, no server.
    const auto ini = OpenSettings();
    ini->WriteString(AccountSection(inFile), "PASSWORD_STORE", "keyring");
    std::ostringstream out;
    EXPECT_EQ(CheckAllAccounts(out), kExitFailed);
    EXPECT_EQ(out.str(),
              "file@test.example\t-\t0\tThe desktop keyring is locked or unavailable.\n");
    EXPECT_EQ(Key(inFile, "LAST_ERROR"), "The desktop keyring is locked or unavailable.");
    // Moving back needs the keyring too; the password stays where it was.
    EXPECT_EQ(Store(PasswordStore::File), kExitFailed);
    EXPECT_EQ(Key(inFile, "PASSWORD_STORE"), "keyring");
}
