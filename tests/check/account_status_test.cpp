// The results window's decisions: an account's status, the next account and the interval.
#include "check/account_status.h"

#include <gtest/gtest.h>

#include "check/check_fixture.h"
#include "check/check_schedule.h"

namespace {

class AccountStatusTest : public SettingsTest {
protected:
    AccountStatusTest() {
        item.params.email = "me@test.example";
        item.params.host = "pop.test.example";
        item.params.username = "me";
    }
    AccountStatus Status() const { return StatusOf(item, *OpenSettings()); }

    AccountEntry item;
};

}  // namespace

TEST_F(AccountStatusTest, ANeverCheckedAccountIsOkWithCountZero) {
    const AccountStatus s = Status();
    EXPECT_EQ(s.state, AccountState::Ok);
    EXPECT_TRUE(s.enabled);
    EXPECT_EQ(s.email, "me@test.example");
    EXPECT_EQ(s.count, "0");
    EXPECT_EQ(s.lastCheck, "");
    EXPECT_EQ(s.status, "OK");
}

TEST_F(AccountStatusTest, AFailureComesFirstThenAChangeThenDisabled) {
    SetRunState(item.params, "ENABLED", "0");
    SetRunState(item.params, "LAST_RESULT", "0");
    SetRunState(item.params, "LAST_ERROR", "refused~twice");
    SetRunState(item.params, "LAST_INCOME", "07.12.2026 10:00:00");
    SetRunState(item.params, "COUNT", "7");
    item.lastChange = 2;
    EXPECT_EQ(Status().state, AccountState::NewMail);
    EXPECT_EQ(Status().status, "new_mail - 07.12.2026 10:00:00");
    EXPECT_EQ(Status().count, "7   ( 2 )");
    item.lastChange = -1;
    EXPECT_EQ(Status().state, AccountState::Changed);
    EXPECT_EQ(Status().status, "mail_changed - 07.12.2026 10:00:00");
    item.lastChange = 0;
    EXPECT_EQ(Status().state, AccountState::Disabled);
    EXPECT_FALSE(Status().enabled);
    EXPECT_EQ(Status().count, "7");
    SetRunState(item.params, "ENABLED", "1");
    EXPECT_EQ(Status().state, AccountState::Failed);
    EXPECT_EQ(Status().status, "Error - refused~twice");
    item.lastChange = 2;  // new mail found before, then the check failed
    EXPECT_EQ(Status().state, AccountState::Failed);
    EXPECT_EQ(Status().count, "7   ( 2 )");
}

TEST_F(AccountStatusTest, TheStoredAddressIsShown) {
    SetRunState(item.params, "EMAIL", "Stored@Test.Example");
    EXPECT_EQ(Status().email, "Stored@Test.Example");
}

TEST_F(AccountStatusTest, AnImapAccountShowsItsUnreadMessagesOnceCounted) {
    item.params.protocol = MailProtocol::Imap;
    EXPECT_EQ(Status().count, "0");
    SetRunState(item.params, "COUNT", "7");
    SetRunState(item.params, "UNSEEN", "1");
    item.lastChange = 2;
    EXPECT_EQ(Status().count, "7 - 1 unseen_count_one   ( 2 )");
    item.params.protocol = MailProtocol::Pop3;  // a key left from its IMAP days
    EXPECT_EQ(Status().count, "7   ( 2 )");
}

TEST(CheckSchedule, OneAccountWaitsLongerThanSeveral) {
    EXPECT_EQ(CheckIntervalMs(0), kOneAccountCheckMs);
    EXPECT_EQ(CheckIntervalMs(1), kOneAccountCheckMs);
    EXPECT_EQ(CheckIntervalMs(2), kManyAccountsCheckMs);
    EXPECT_EQ(CheckIntervalMs(200), kManyAccountsCheckMs);
}

TEST(CheckSchedule, ARoundStartsAgainWhenTheIndexLeavesTheList) {
    EXPECT_EQ(AccountToCheck(0, 3), 0);
    EXPECT_EQ(AccountToCheck(2, 3), 2);
    EXPECT_EQ(AccountToCheck(3, 3), 0);
    EXPECT_EQ(AccountToCheck(5, 2), 0) << "the list shrank meanwhile";
    EXPECT_EQ(AccountToCheck(-1, 3), 0);
}
