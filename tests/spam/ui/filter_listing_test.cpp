// A rule made or changed in the filter editor decides the next header listing against the
// test Dovecot.

#include "list/mailbox_listing.h"
#include "session/pop3_session.h"
#include "spam/ui/filter_window_fixture.h"
#include "support/mail_fixture.h"

namespace {

class FilterListingTest : public FilterWindowTest {
protected:
    void SetUp() override {
        if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
        FilterWindowTest::SetUp();
    }

    std::vector<bool> SpamMarks(const AccountSettings& account) {
        auto session = OpenSession(account, ProgramState().SessionOptionsNow());
        EXPECT_NE(session, nullptr);
        std::vector<bool> marks;
        if (session == nullptr) return marks;
        for (const MessageRow& row : ListHeaders(*session, account.email, ProgramState().spamRules,
                                                 ProgramState().spamCriteria))
            marks.push_back(row.spam);
        EndSession(session);
        return marks;
    }
};

TEST_F(FilterListingTest, TheNextListingFollowsAnEditedRule) {
    const MailUser user = AddMailUser("filter");
    AddMessage(user, MakeMessage("Cheap pills today", "shop@pills.example", "buy"));
    AddMessage(user, MakeMessage("Minutes of the meeting", "boss@work.example", "read"));
    const AccountSettings account = AccountFor(user);
    EXPECT_EQ(SpamMarks(account), (std::vector<bool>{false, false}));

    Open();
    Enter("CHEAP-PILLS");
    Click(Button("badd"));
    EXPECT_EQ(SpamMarks(account), (std::vector<bool>{false, true})) << "newest first";

    ClickRow(0);
    TextField()->setText(QStringLiteral("boss@"));
    Click(Radio("rAddr"));
    Click(Button("bedit"));
    EXPECT_EQ(SpamMarks(account), (std::vector<bool>{true, false}));
}

}  // namespace
