#include "settings/text_utils.h"

#include <gtest/gtest.h>

#include "settings/language.h"
#include "support/temp_folder.h"

TEST(TextUtils, BlankMeansEveryByteUpTo32) {
    EXPECT_FALSE(HasText(""));
    EXPECT_FALSE(HasText(std::string(" \t\r\n\0\x1f", 6)));
    EXPECT_TRUE(HasText(" x "));
    EXPECT_TRUE(HasText("\x80"));  // 8-bit bytes are text, not blanks
    EXPECT_EQ(Trim(std::string("\0 a b \x01", 7)), "a b");
    EXPECT_EQ(Trim("   "), "");
}

TEST(TextUtils, CaseMappingTouchesOnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("mail-1_john.doe\xe9"), "MAIL-1_JOHN.DOE\xe9");
    EXPECT_TRUE(SameTextAscii("Eml_Host", "EML_HOST"));
    EXPECT_FALSE(SameTextAscii("\xe9", "\xc9"));
    EXPECT_FALSE(SameTextAscii("abc", "abcd"));
}

TEST(TextUtils, ReplaceAllReplacesEveryOccurrence) {
    EXPECT_EQ(ReplaceAll("a\r\nb\r\n", "\r\n", "~"), "a~b~");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "a"), "aa");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(TextUtils, DateTimeLeavesOutTheTimeAtMidnight) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::string midnight = DateTimeText(86400 * 365);
    const std::string later = DateTimeText(86400 * 365 + 3661);
    EXPECT_EQ(later.rfind(midnight + " ", 0), 0u) << later;
    EXPECT_GT(later.size(), midnight.size());
}

TEST(TextUtils, DatesTakeTheLanguagesFormAndOnlyDayMonthAndYearFields) {
    setenv("TZ", "UTC", 1);
    tzset();
    const TempFolder folder;
    const ProgramFolderScope scope(folder.Path());
    const std::time_t when = 1796641260;  // 2026-12-07 11:01:00 UTC
    const auto dateIn = [&](const std::string& format) {
        folder.Write("vellmoar.lng", "date_format=" + format + "\r\n");
        LoadLanguageTable();
        return DateTimeText(when);
    };
    EXPECT_EQ(dateIn("%d.%m.%y"), "07.12.26 11:01:00");
    EXPECT_EQ(dateIn("%Y-%m-%d"), "2026-12-07 11:01:00");
    EXPECT_EQ(dateIn("%d.%m.%y %n%s"), "12/07/26 11:01:00") << "other fields leave the default";
    EXPECT_EQ(dateIn("%d%"), "12/07/26 11:01:00");
    ResetLanguageTable();
    EXPECT_EQ(DateTimeText(when), "12/07/26 11:01:00");
}

TEST(TextUtils, LinesEndAtCrLfOrCrLf) {
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\r\n\rb\r\n"), (Lines{"a", "", "", "b"}));
    EXPECT_EQ(SplitLines("\n\r"), (Lines{"", ""}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(TextUtils, FieldTextKeepsATabSeparatedLineWhole) {
    EXPECT_EQ(FieldText("-ERR a\tb\r\nc"), "-ERR a b  c");
    EXPECT_EQ(FieldText("plain"), "plain");
}
