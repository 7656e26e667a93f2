#include "settings/account_list.h"

#include <gtest/gtest.h>

namespace {

AccountEntry Item(const std::string& email, bool enabled) {
    AccountEntry item;
    item.enabled = enabled;
    item.params.email = email;
    item.lastChange = 3;
    return item;
}

AccountSettings Params(const std::string& email) {
    AccountSettings params;
    params.email = email;
    params.host = "pop." + email;
    params.port = 995;
    return params;
}

}  // namespace

TEST(StoreEditedAccount, ReplacesTheSelectedAccountAndTakesEveryTick) {
    std::vector<AccountEntry> accounts = {Item("a", true), Item("b", false)};
    EXPECT_EQ(StoreEditedAccount(accounts, 1, Params("b2"), {false, true}), 1u);
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[1].params.email, "b2");
    EXPECT_EQ(accounts[1].params.port, 995);
    EXPECT_EQ(accounts[1].lastChange, 3) << "the run state stays with the entry";
    EXPECT_FALSE(accounts[0].enabled);
    EXPECT_TRUE(accounts[1].enabled);
}

TEST(StoreEditedAccount, AnythingButAnIndexAddsANewAccountAtTheEnd) {
    for (const int selected : {-1, 2, 40}) {
        std::vector<AccountEntry> accounts = {Item("a", true), Item("b", true)};
        EXPECT_EQ(StoreEditedAccount(accounts, selected, Params("c"), {true, false, true}), 2u);
        ASSERT_EQ(accounts.size(), 3u);
        EXPECT_EQ(accounts[2].params.email, "c");
        EXPECT_TRUE(accounts[2].enabled);
        EXPECT_EQ(accounts[2].lastChange, 0);
        EXPECT_FALSE(accounts[1].enabled);
    }
}

TEST(StoreEditedAccount, FewerTicksThanAccountsLeaveTheRestAlone) {
    std::vector<AccountEntry> accounts = {Item("a", true), Item("b", true)};
    StoreEditedAccount(accounts, 0, Params("a"), {false});
    EXPECT_FALSE(accounts[0].enabled);
    EXPECT_TRUE(accounts[1].enabled);
    StoreEditedAccount(accounts, 0, Params("a"), {true, false, true, true});
    EXPECT_EQ(accounts.size(), 2u);
}

TEST(AccountSharingSection, ServerAndUserNameInAnyCaseNameTheSection) {
    std::vector<AccountEntry> accounts = {Item("a", true), Item("b", true)};
    accounts[0].params.host = "mail.example";
    accounts[0].params.username = "joe";
    AccountSettings other = Params("c");
    other.host = "MAIL.example";
    other.username = "JOE";
    other.protocol = MailProtocol::Imap;
    EXPECT_EQ(AccountSharingSection(accounts, other, -1), 0);
    EXPECT_EQ(AccountSharingSection(accounts, other, 0), -1) << "the account being edited";
    other.username = "ann";
    EXPECT_EQ(AccountSharingSection(accounts, other, -1), -1);
}

TEST(RemoveAccount, OnlyAnIndexOfTheListRemoves) {
    std::vector<AccountEntry> accounts = {Item("a", true), Item("b", true)};
    EXPECT_FALSE(RemoveAccount(accounts, -1));
    EXPECT_FALSE(RemoveAccount(accounts, 2));
    EXPECT_EQ(accounts.size(), 2u);
    EXPECT_TRUE(RemoveAccount(accounts, 0));
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ(accounts[0].params.email, "b");
}

TEST(ProposedPort, AUsualPortFollowsTheChoiceAndAnOwnPortStays) {
    EXPECT_EQ(ProposedPort(MailProtocol::Pop3, ConnectionSecurity::Tls, 110), 995);
    EXPECT_EQ(ProposedPort(MailProtocol::Imap, ConnectionSecurity::None, 110), 143);
    EXPECT_EQ(ProposedPort(MailProtocol::Imap, ConnectionSecurity::Tls, 143), 993);
    EXPECT_EQ(ProposedPort(MailProtocol::Pop3, ConnectionSecurity::StartTls, 993), 110);
    EXPECT_EQ(ProposedPort(MailProtocol::Imap, ConnectionSecurity::Tls, 1993), 1993);
}

TEST(AutorunChangeFor, OnlyAChangedSwitchTouchesTheEntry) {
    EXPECT_EQ(AutorunChangeFor(true, false), AutorunChange::Add);
    EXPECT_EQ(AutorunChangeFor(false, true), AutorunChange::Remove);
    EXPECT_EQ(AutorunChangeFor(true, true), AutorunChange::None);
    EXPECT_EQ(AutorunChangeFor(false, false), AutorunChange::None);
}
