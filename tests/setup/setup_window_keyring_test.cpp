// The setup window with a real desktop keyring (the "keyring" fixture's gnome-keyring): saving
// moves the edited account's password where the keyring box says, deleting removes its item.
#include "settings/cipher.h"
#include "settings/keyring.h"
#include "setup/setup_window_fixture.h"

TEST_F(SetupWindowTest, KeyringBoxMovesTheSavedPasswordAndDeletingRemovesItsItem) {
    if (!UseTestKeyring()) GTEST_SKIP() << "the keyring fixture is not running";
    const std::string user = "kr" + std::to_string(::getpid());
    const auto key = [&](const char* name) {
        return Settings().ReadString("EML_POP_EXAMPLE_ORG_KR" + std::to_string(::getpid()), name,
                                     "(absent)");
    };
    Open();
    ASSERT_TRUE(Box("pop_keyring")->isChecked());  // a Secret Service is present
    FillAccount("me@example.org", "pop.example.org", user);
    Edit("pop_password")->setText(QStringLiteral("in the keyring"));
    Click(Button("bsave"));
    ASSERT_EQ(ProgramState().Accounts().size(), 1u);
    const AccountSettings saved = ProgramState().Accounts()[0].params;
    EXPECT_EQ(key("PASSWORD_STORE") + key("PASSWORD"), "keyring(absent)");
    EXPECT_EQ(DesktopKeyring().Read(saved).password, "in the keyring");

    // Shown again, the field holds the keyring's password; unticked and saved, it goes back.
    ClickEntry(0);
    EXPECT_EQ(Edit("pop_password")->text(), QStringLiteral("in the keyring"));
    Click(Box("pop_keyring"));
    Click(Button("bsave"));
    EXPECT_EQ(DecipherText(key("PASSWORD")) + key("PASSWORD_STORE"), "in the keyring(absent)");
    EXPECT_EQ(DesktopKeyring().Read(saved).status, KeyringStatus::NotFound);

    Click(Box("pop_keyring"));
    Click(Button("bsave"));
    ASSERT_EQ(DesktopKeyring().Read(saved).password, "in the keyring");
    ClickEntry(0);
    Click(Button("bdele"));
    EXPECT_EQ(DesktopKeyring().Read(saved).status, KeyringStatus::NotFound);
}
