#include "settings/language.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "settings/cipher.h"
#include "settings/counted_text.h"
#include "settings/errors.h"
#include "settings/program_path.h"
#include "settings/settings_test_support.h"
#include "support/temp_folder.h"

namespace {

class LanguageTest : public ::testing::Test {
protected:
    LanguageTest() { ResetLanguageTable(); }
    ~LanguageTest() override { ResetLanguageTable(); }

    void Load(const std::string& content) {
        folder_.Write("vellmoar.lng", content);
        LoadLanguageTable();
    }
    std::string File() const { return folder_.Read("vellmoar.lng"); }
    static std::string Enciphered(const std::string& text) { return "?" + EncipherText(text); }

    TempFolder folder_{"tarnwick", SystemTempRoot()};
    ProgramFolderScope scope_{folder_.Path()};
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(LanguageTest, LooksUpKeysWithoutRegardToCaseFirstEntryWinning) {
    Load("title=First\r\nTITLE=Second\r\nempty=\r\nspaced = x\r\nno entry here\r\n");
    EXPECT_EQ(LanguageFilePath(), folder_.File("vellmoar.lng"));
    EXPECT_EQ(GetLangText("TITLE"), "First");
    EXPECT_EQ(GetLangText("Title"), "First");
    EXPECT_EQ(GetLangText("empty"), "");
    EXPECT_EQ(GetLangText("spaced "), " x");
    EXPECT_EQ(LanguageTable().size(), 5u);
}

TEST_F(LanguageTest, AZeroByteIsDataAndTheWriteBackKeepsEveryLine) {
    const std::string nul("\0", 1);
    Load(nul + "x=1\r\nalpha=A" + nul + "B\r\nbeta=Beta\r\n");
    EXPECT_EQ(GetLangText("beta"), "Beta");
    EXPECT_EQ(GetLangText("alpha"), "A" + nul + "B");
    EXPECT_TRUE(WriteBackLanguageTable());
    LoadLanguageTable();
    ASSERT_EQ(LanguageTable().size(), 3u);
    EXPECT_EQ(LanguageTable()[0], nul + "x=" + Enciphered("1"));
    EXPECT_EQ(GetLangText("alpha"), "A" + nul + "B");
    EXPECT_EQ(GetLangText("beta"), "Beta");
}

TEST_F(LanguageTest, AMissingKeyShowsAsItselfAndIsRemembered) {
    LoadLanguageTable();
    EXPECT_TRUE(LanguageTable().empty());
    EXPECT_EQ(GetLangText("close_main_dialog"), "close_main_dialog");
    EXPECT_EQ(GetLangText("Close_Main_Dialog"), "close_main_dialog");
    EXPECT_EQ(GetLangText("a~b"), "a\r\nb");
    EXPECT_EQ(LanguageTable(), (Lines{"close_main_dialog=close_main_dialog", "a~b=a~b"}));
}

TEST_F(LanguageTest, ABlankKeyIsReturnedUnchangedAndNotAdded) {
    LoadLanguageTable();
    EXPECT_EQ(GetLangText(""), "");
    EXPECT_EQ(GetLangText("   "), "   ");
    EXPECT_EQ(GetLangText("\t\r\n"), "\t\r\n");
    EXPECT_TRUE(LanguageTable().empty());
}

TEST_F(LanguageTest, TildesBecomeLineBreaksInPlainAndEncipheredValues) {
    Load("two=first~second\nsecret=" + Enciphered("one~two") + "\n");
    EXPECT_EQ(GetLangText("two"), "first\r\nsecond");
    EXPECT_EQ(GetLangText("secret"), "one\r\ntwo");
}

TEST_F(LanguageTest, OnlyAValueStartingWithAQuestionMarkIsDeciphered) {
    Load("a=" + Enciphered("Hello") + "\nb=  ?" + EncipherText("Hello") + "\nc=?\nd=?!!\n");
    EXPECT_EQ(GetLangText("a"), "Hello");
    EXPECT_EQ(GetLangText("b"), "  ?" + EncipherText("Hello"));
    EXPECT_EQ(GetLangText("c"), "");
    EXPECT_NO_THROW(GetLangText("d"));  // not a cipher text: whatever it deciphers to
}

TEST_F(LanguageTest, ReadingKeepsZeroBytesAndSplitsAtEveryLineEnd) {
    Load(std::string("a=1\rb=2\r\nc=3\n\nd=4\0e=5\r\n", 22));
    EXPECT_EQ(LanguageTable(), (Lines{"a=1", "b=2", "c=3", "", std::string("d=4\0e=5", 7)}));
}

TEST_F(LanguageTest, WriteBackEnciphersInOrderAndAppendsAskedKeys) {
    Load("greeting=Hello\nno equals\nGreeting=Again\nblank=  \nlead=  ?x\ndone=" +
         Enciphered("Done") + "\n");
    GetLangText("new_one");
    GetLangText("new_two");
    GetLangText("new_one");
    EXPECT_TRUE(WriteBackLanguageTable());
    EXPECT_EQ(File(),
              "greeting=" + Enciphered("Hello") +
                  "\r\nno equals\r\nGreeting=Again\r\nblank=  \r\nlead=" + Enciphered("  ?x") +
                  "\r\ndone=" + Enciphered("Done") + "\r\nnew_one=" + Enciphered("new_one") +
                  "\r\nnew_two=" + Enciphered("new_two") + "\r\n");
    LoadLanguageTable();
    EXPECT_EQ(GetLangText("greeting"), "Hello");
    EXPECT_EQ(GetLangText("lead"), "  ?x");
    EXPECT_EQ(GetLangText("new_two"), "new_two");
}

TEST_F(LanguageTest, AnEncipheredFileIsNotRewrittenUnlessANewKeyWasAsked) {
    const std::string content = "a=" + Enciphered("A") + "\nb=\nno equals\n";
    Load(content);
    EXPECT_EQ(GetLangText("A"), "A");
    EXPECT_EQ(GetLangText("b"), "");
    EXPECT_FALSE(WriteBackLanguageTable());
    EXPECT_EQ(File(), content);

    GetLangText("fresh");
    EXPECT_TRUE(WriteBackLanguageTable());
    EXPECT_NE(File(), content);
    EXPECT_FALSE(WriteBackLanguageTable());
}

TEST_F(LanguageTest, CountsWhatItEnciphersAndStillWritesItBack) {
    Load("a=1\nb=2\nc=\n");
    EXPECT_EQ(EncipherLanguageTable(), 2);
    EXPECT_EQ(EncipherLanguageTable(), 0);
    EXPECT_TRUE(WriteBackLanguageTable());
    EXPECT_EQ(File(), "a=" + Enciphered("1") + "\r\nb=" + Enciphered("2") + "\r\nc=\r\n");
}

TEST_F(LanguageTest, ARunWithoutAFileCreatesItOnlyWhenAKeyWasAsked) {
    LoadLanguageTable();
    EXPECT_FALSE(WriteBackLanguageTable());
    EXPECT_FALSE(std::filesystem::exists(LanguageFilePath()));
    GetLangText("close_main_dialog_title");
    EXPECT_TRUE(WriteBackLanguageTable());
    EXPECT_EQ(File(), "close_main_dialog_title=" + Enciphered("close_main_dialog_title") + "\r\n");
}

TEST_F(LanguageTest, AFailedWriteBackReportsThePath) {
    LoadLanguageTable();
    GetLangText("key");
    // A folder in the file's place: the temporary file cannot be renamed over it.
    std::filesystem::create_directories(folder_.File("vellmoar.lng/in-the-way"));
    EXPECT_EQ(ErrorText([] { WriteBackLanguageTable(); }),
              "Unable to write to " + folder_.File("vellmoar.lng") + ": Is a directory");
}

TEST_F(LanguageTest, AFileThatCannotBeReadIsNeverReplaced) {
    folder_.Write("vellmoar.lng", "key=text\r\n");
    ::chmod(folder_.File("vellmoar.lng").c_str(), 0);
    ::chmod(folder_.Path().c_str(), 0777);
    const bool keptTheFile = AsOrdinaryUser([] {
        LoadLanguageTable();
        return LanguageTable().empty() && GetLangText("key") == "key" && !WriteBackLanguageTable();
    });
    ::chmod(folder_.File("vellmoar.lng").c_str(), 0644);
    EXPECT_TRUE(keptTheFile);
    EXPECT_EQ(File(), "key=text\r\n");
}

TEST_F(LanguageTest, AHugeFileIsEncipheredInOnePass) {
    std::string content;
    for (int i = 0; i < 50000; ++i) content += "key_" + std::to_string(i) + "=\n";
    Load(content + "last=text\n");
    EXPECT_EQ(EncipherLanguageTable(), 1);  // a search per line would take hours here
    EXPECT_EQ(GetLangText("LAST"), "text");
}

TEST_F(LanguageTest, ACountedTextTakesTheFormOfItsNumberInTheFilesLanguage) {
    using enum PluralForm;
    const std::pair<unsigned long long, PluralForm> czech[] = {
        {0, Many}, {1, One}, {2, Few}, {4, Few}, {5, Many}, {12, Many}, {22, Many}, {101, Many}};
    for (const auto& [count, form] : czech) EXPECT_EQ(PluralFormFor("cs", count), form) << count;
    EXPECT_EQ(PluralFormFor("en", 0), Other);
    EXPECT_EQ(PluralFormFor("en", 1), One);
    EXPECT_EQ(PluralFormFor("de", 3), Other);

    Load(
        "language_code=cs\r\nitems_count_one=zpr\xC3\xA1va\r\nitems_count_few=zpr\xC3\xA1vy\r\n"
        "items_count_many=zpr\xC3\xA1v\r\n");
    EXPECT_EQ(TextLanguage(), "cs");
    EXPECT_EQ(CountedText("items_count", 1), "zpr\xC3\xA1va");
    EXPECT_EQ(CountedText("items_count", 3), "zpr\xC3\xA1vy");
    EXPECT_EQ(CountedText("items_count", 27), "zpr\xC3\xA1v");
    // A file from before counted texts keeps its one text for every number, and is not changed.
    Load("language_code=en\r\nitems_count=messages\r\n");
    EXPECT_EQ(CountedText("items_count", 1), "messages");
    EXPECT_EQ(LanguageTable().size(), 2u);
    EXPECT_EQ(CountedText("files", 2), "files_other");
}
