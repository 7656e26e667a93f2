// The setup window with a real desktop keyring (the "keyring" fixture's gnome-keyring): saving
// moves the edited account's password where the keyring box says, deleting removes its item.
#include "settings/cipher.h"
#include "settings/keyring.h"
#include "settings/text_utils.h"
#include "setup/setup_window_fixture.h"

namespace {

class SetupKeyringTest : public SetupWindowTest {
protected:
    void SetUp() override {
        SetupWindowTest::SetUp();
        if (!UseTestKeyring()) GTEST_SKIP() << "the keyring fixture is not running";
    }

    std::string Key(const char* key) { return Settings().ReadString(section, key, "(absent)"); }

    const std::string user = "kr" + std::to_string(::getpid());
    const std::string section = "EML_POP_EXAMPLE_ORG_" + UpperAscii(user);
};

}  // namespace

TEST_F(SetupKeyringTest, SavingMovesTheEditedPasswordAndDeletingRemovesItsItem) {
    Open();
    ASSERT_TRUE(Box("pop_keyring")->isChecked());  // a Secret Service is present
    FillAccount("me@example.org", "pop.example.org", user);
    Edit("pop_password")->setText(QStringLiteral("in the keyring"));
    Click(Button("bsave"));
    ASSERT_EQ(accounts.size(), 1u);
    const AccountSettings saved = accounts[0].params;
    EXPECT_EQ(saved.passwordStore, PasswordStore::Keyring);
    EXPECT_EQ(Key("PASSWORD_STORE"), "keyring");
    EXPECT_EQ(Key("PASSWORD"), "(absent)");
    EXPECT_EQ(DesktopKeyring().Read(saved).password, "in the keyring");

    // Shown again, the field holds the keyring's password; unticked and saved, it goes back.
    ClickEntry(0);
    EXPECT_EQ(Edit("pop_password")->text(), QStringLiteral("in the keyring"));
    Click(Box("pop_keyring"));
    Click(Button("bsave"));
    EXPECT_FALSE(Box("pop_keyring")->isChecked());
    EXPECT_EQ(DecipherText(Key("PASSWORD")), "in the keyring");
    EXPECT_EQ(Key("PASSWORD_STORE"), "(absent)");
    EXPECT_EQ(DesktopKeyring().Read(saved).status, KeyringStatus::NotFound);

    Click(Box("pop_keyring"));
    Click(Button("bsave"));
    ASSERT_EQ(DesktopKeyring().Read(saved).password, "in the keyring");
    ClickEntry(0);
    Click(Button("bdele"));
    EXPECT_TRUE(accounts.empty());
    EXPECT_EQ(DesktopKeyring().Read(saved).status, KeyringStatus::NotFound);
}
