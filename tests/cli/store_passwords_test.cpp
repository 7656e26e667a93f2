// Passwords in a real desktop keyring (the "keyring" fixture's gnome-keyring): moving them
// there and back, checking with them, and what happens without any keyring.
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
    AccountSettings Add(AccountSettings account) {
        values_.accounts.push_back({true, account, 0});
        SaveSettings(values_);
        return account;
    }
    AccountSettings Add(const std::string& user, const std::string& password) {
        return Add(
            {user + "@test.example", "127.0.0.1", user + std::to_string(::getpid()), password, 1});
    }
    std::string Key(const AccountSettings& account, const char* key) {
        return OpenSettings()->ReadString(AccountSection(account), key, "(absent)");
    }
    std::string Store(PasswordStore target, int status = kExitOk) {
        std::ostringstream out;
        EXPECT_EQ(StorePasswords(target, DesktopKeyring(), out), status) << out.str();
        return out.str();
    }

    TempFolder folder_{"keyring"};
    ProgramFolderScope scope_{folder_.Path()};
    SettingsValues values_;
};

}  // namespace

TEST_F(StorePasswordsTest, EveryPasswordMovesIntoTheKeyringAndBackUnchanged) {
    const AccountSettings accounts[] = {Add("one", "secret one"), Add("two", "p=ss ~\xC3\xA9")};
    const std::string moved = "one@test.example\tmoved\ntwo@test.example\tmoved\n";
    EXPECT_EQ(Store(PasswordStore::Keyring), moved);
    for (const AccountSettings& account : accounts) {
        EXPECT_EQ(Key(account, "PASSWORD_STORE") + Key(account, "PASSWORD"), "keyring(absent)");
        EXPECT_EQ(DesktopKeyring().Read(account).password, account.password);
    }
    // The program's own save keeps them there; a second move finds them there.
    SettingsValues loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.accounts[0].params.password, "");
    SaveSettings(loaded);
    EXPECT_EQ(Store(PasswordStore::Keyring),
              "one@test.example\talready there\ntwo@test.example\talready there\n");

    EXPECT_EQ(Store(PasswordStore::File), moved);
    for (const AccountSettings& account : accounts) {
        EXPECT_EQ(DecipherText(Key(account, "PASSWORD")), account.password);
        EXPECT_EQ(Key(account, "PASSWORD_STORE"), "(absent)");
        EXPECT_EQ(DesktopKeyring().Read(account).status, KeyringStatus::NotFound);
    }
}

TEST_F(StorePasswordsTest, ACheckLogsInWithThePasswordFromTheKeyring) {
    const MailUser user = AddMailUser("keyring", "in the keyring");
    AddMessages(user, 2);
    const AccountSettings account = Add(AccountFor(user));
    Store(PasswordStore::Keyring);
    std::ostringstream out;
    EXPECT_EQ(CheckAllAccounts(out), kExitOk);
    EXPECT_EQ(out.str(), account.email + "\t2\t2\tOK\n");
}

TEST_F(StorePasswordsTest, WithoutAKeyringNothingMovesAndAKeyringAccountFailsNamingIt) {
    UseNoKeyring();
    const AccountSettings account = Add("file", "stays");
    EXPECT_EQ(Store(PasswordStore::Keyring, kExitFailed),
              "file@test.example\tThe desktop keyring is locked or unavailable. (Could not "
              "connect: No such file or directory)\n");
    EXPECT_EQ(DecipherText(Key(account, "PASSWORD")), "stays");

    // A keyring account checked without the keyring: its own error, and no server is asked.
    OpenSettings()->WriteString(AccountSection(account), "PASSWORD_STORE", "keyring");
    std::ostringstream out;
    EXPECT_EQ(CheckAllAccounts(out), kExitFailed);
    EXPECT_EQ(out.str(),
              "file@test.example\t-\t0\tThe desktop keyring is locked or unavailable.\n");
    Store(PasswordStore::File, kExitFailed);  // moving back needs the keyring too
    EXPECT_EQ(Key(account, "PASSWORD_STORE"), "keyring");
}
