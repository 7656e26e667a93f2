#include <gtest/gtest.h>

#include "spam/spam_filter.h"
#include "spam/spam_state.h"

namespace {

SpamRule Rule(std::int32_t kind, bool content, std::string text) {
    return SpamRule{static_cast<RuleKind>(kind), content, std::move(text)};
}

bool Subject(const SpamRule& rule, std::string_view subject) {
    return MatchRule(rule, subject, "");
}

bool Sender(const SpamRule& rule, std::string_view sender) {
    return MatchRule(rule, "", sender);
}

SpamRuleEntry Parsed(std::string_view value) {
    SpamRuleEntry rule;
    ParseRule(rule, value);
    return rule;
}

class SpamVerdictTest : public SpamStateTest {
protected:
    void AddNeverMatchingRule() {
        spamRules.push_back(std::make_unique<SpamRuleEntry>());
        spamRules.back()->filter = Rule(0, true, "zzzneverzzz");
    }
    bool Verdict(std::int64_t size, std::string_view subject = "hello",
                 std::string_view accountAddress = "me@test.example") {
        message.size = size;
        message.subject = subject;
        return SpamVerdict(message, accountAddress, spamRules, spamCriteria);
    }
    SpamFacts message{-1, 0, "", false, "", "<a@b.example>"};
};

}  // namespace

TEST(NormalizeText, SeparatorsLettersAndBlanks) {
    EXPECT_EQ(NormalizeText("  c@sh  Fr33!! ", false), "CASH FR33II");
    EXPECT_EQ(NormalizeText("V1AGRA", false), "VIAGRA");
    EXPECT_EQ(NormalizeText("a.b,,c--d   e", false), "A B C D E");
    EXPECT_EQ(NormalizeText("don't = `x` ~y", false), "DON'T = `X` ~Y");
    EXPECT_EQ(NormalizeText("...", false), "");
    EXPECT_EQ(NormalizeText("x\xFFy\xE9", false), "X Y\xE9");
    EXPECT_EQ(NormalizeText(" c@sh! ", true), "C@SH!");
}

TEST(NormalizeText, EverySeparatorBecomesABlank) {
    const std::string separators = "\"#$%&()*+,-./:;<>?[\\]^_{|}\xFF";
    for (char c : separators) {
        EXPECT_EQ(NormalizeText(std::string("a") + c + "b", false), "A B") << c;
    }
}

TEST(MatchRule, SubjectContainsMatchesWholeWords) {
    const auto free = Rule(0, true, "FREE");
    EXPECT_TRUE(Subject(free, "Free offer"));
    EXPECT_TRUE(Subject(free, "get it free"));
    EXPECT_FALSE(Subject(free, "Freedom"));
    EXPECT_FALSE(Subject(free, "free!"));
    EXPECT_TRUE(Subject(free, "[free] stuff"));
}

TEST(MatchRule, SubjectBeginsWithMatchesThePrefixOfAWord) {
    const auto free = Rule(0, false, "FREE");
    EXPECT_TRUE(Subject(free, "Freedom"));
    EXPECT_TRUE(Subject(free, "  free offer"));
    EXPECT_FALSE(Subject(free, "get it free"));
}

TEST(MatchRule, SubstitutedLetters) {
    EXPECT_TRUE(Subject(Rule(0, true, "V1AGRA"), "viagra"));
    EXPECT_TRUE(Subject(Rule(0, true, "c@sh"), "CASH now"));
}

TEST(MatchRule, RuleOfSeparatorsOnly) {
    EXPECT_TRUE(Subject(Rule(0, true, "..."), ""));
    EXPECT_TRUE(Subject(Rule(0, true, "..."), "---"));
    EXPECT_FALSE(Subject(Rule(0, true, "..."), "hello"));
    EXPECT_FALSE(Subject(Rule(0, false, "..."), ""));
    EXPECT_FALSE(Subject(Rule(0, false, "..."), "hello"));
    EXPECT_FALSE(Sender(Rule(1, true, "   "), "<a@b.example>"));
    EXPECT_FALSE(Sender(Rule(1, false, ""), "<a@b.example>"));
}

TEST(MatchRule, SenderRulesSeeTheWholeSenderText) {
    const std::string named = "Newsletter Team <news@shop.example>";
    const std::string bare = "<newsletter@shop.example>";
    EXPECT_TRUE(Sender(Rule(1, false, "newsletter"), named));
    EXPECT_FALSE(Sender(Rule(1, false, "newsletter"), bare));
    EXPECT_TRUE(Sender(Rule(1, false, "<newsletter"), bare));
    EXPECT_TRUE(Sender(Rule(1, true, "newsletter"), named));
    EXPECT_TRUE(Sender(Rule(1, true, "newsletter"), bare));
    EXPECT_TRUE(Sender(Rule(1, true, "SHOP.example"), named));
    EXPECT_FALSE(Sender(Rule(1, true, "shop!example"), named));
}

TEST(ParseRule, StoredForms) {
    auto r = Parsed("Address: =bob").filter;
    EXPECT_EQ(r.kind, RuleKind::Sender);
    EXPECT_FALSE(r.content);
    EXPECT_EQ(r.text, "bob");
    r = Parsed("Subject: xfoo").filter;
    EXPECT_EQ(r.kind, RuleKind::Subject);
    EXPECT_FALSE(r.content);
    EXPECT_EQ(r.text, "foo");
    r = Parsed("Subject: %Hello, World").filter;
    EXPECT_EQ(r.kind, RuleKind::Subject);
    EXPECT_TRUE(r.content);
    EXPECT_EQ(r.text, "Hello, World");
    for (const char* value : {"abc", "Hello", "", "subject: %x", "Subject:%x"}) {
        r = Parsed(value).filter;
        EXPECT_EQ(r.kind, RuleKind::Subject) << value;
        EXPECT_TRUE(r.content) << value;
        EXPECT_EQ(r.text, value);
    }
    r = Parsed("Address: ").filter;
    EXPECT_EQ(r.kind, RuleKind::Sender);
    EXPECT_TRUE(r.content);
    EXPECT_EQ(r.text, "");
}

TEST(EncodeRule, RoundTripsThroughParseRule) {
    EXPECT_EQ(EncodeRule(RuleKind::Subject, true, "HELLO WORLD"), "Subject: %HELLO WORLD");
    EXPECT_EQ(EncodeRule(RuleKind::Sender, false, "bob"), "Address: =bob");
    EXPECT_EQ(EncodeRule(static_cast<RuleKind>(7), true, "x"), "Address: %x");
    const auto r = Parsed(EncodeRule(RuleKind::Sender, false, " spaced ")).filter;
    EXPECT_EQ(r.text, " spaced ");
}

TEST_F(SpamVerdictTest, CriteriaCountOnlyWhileARuleExists) {
    spamCriteria = {1, 1, true, true, true};
    message.emptyDate = true;
    EXPECT_FALSE(Verdict(100000000, ""));
    AddNeverMatchingRule();
    EXPECT_TRUE(Verdict(100, ""));
}

TEST_F(SpamVerdictTest, ServerVerdictsCountWithoutRulesUnlessSwitchedOff) {
    message.server = {true, AuthFailure::None, ""};
    EXPECT_TRUE(Verdict(10));
    EXPECT_EQ(ServerSpamReason(message.server, spamCriteria), "server_marked_spam");
    spamCriteria.serverSpam = false;
    EXPECT_FALSE(Verdict(10));
    EXPECT_EQ(ServerSpamReason(message.server, spamCriteria), "");
    message.server = {false, AuthFailure::DmarcFailed, "bank.example"};
    EXPECT_TRUE(Verdict(10));
    EXPECT_EQ(ServerSpamReason(message.server, spamCriteria), "spam_reason_dmarc bank.example");
    spamCriteria.unauthenticated = false;
    EXPECT_FALSE(Verdict(10));
}

TEST_F(SpamVerdictTest, SizeLimitIsStrictAndUnknownSizeNeverFires) {
    AddNeverMatchingRule();
    spamCriteria.maxSize = 100;
    EXPECT_FALSE(Verdict(102400));
    EXPECT_TRUE(Verdict(102401));
    EXPECT_FALSE(Verdict(-1));
    spamCriteria.maxSize = 3000000;  // beyond 32 bits in bytes
    EXPECT_FALSE(Verdict(2147483647));
    spamCriteria.maxSize = 0;
    EXPECT_FALSE(Verdict(2147483647));
}

TEST_F(SpamVerdictTest, RecipientLimitIsStrict) {
    AddNeverMatchingRule();
    spamCriteria.maxRecipients = 3;
    message.recipientCount = 3;
    EXPECT_FALSE(Verdict(10));
    message.recipientCount = 4;
    EXPECT_TRUE(Verdict(10));
}

TEST_F(SpamVerdictTest, EmptySubject) {
    AddNeverMatchingRule();
    spamCriteria.noEmptySubject = true;
    for (const char* subject : {"", "   ", " Re: ", "re:"})
        EXPECT_TRUE(Verdict(10, subject)) << subject;
    for (const char* subject : {"Re: hello", "RE:RE:"})
        EXPECT_FALSE(Verdict(10, subject)) << subject;
}

TEST_F(SpamVerdictTest, EmptyDate) {
    AddNeverMatchingRule();
    spamCriteria.noEmptyDate = true;
    EXPECT_FALSE(Verdict(10));
    message.emptyDate = true;
    EXPECT_TRUE(Verdict(10));
}

TEST_F(SpamVerdictTest, OwnAddressMustStandInTo) {
    AddNeverMatchingRule();
    spamCriteria.noRecipient = true;
    message.toText = "Me <ME@Test.Example>";
    EXPECT_FALSE(Verdict(10));
    message.toText = "";
    EXPECT_TRUE(Verdict(10));
    message.toText = "me@test.example";
    EXPECT_TRUE(Verdict(10, "hello", ""));
}

TEST_F(SpamVerdictTest, FirstMatchingRuleGivesYes) {
    AddNeverMatchingRule();
    EXPECT_FALSE(Verdict(10, "Cheap pills"));
    spamRules.push_back(std::make_unique<SpamRuleEntry>());
    spamRules.back()->filter = Rule(1, true, "@b.example");
    EXPECT_TRUE(Verdict(10, "Cheap pills"));
}
