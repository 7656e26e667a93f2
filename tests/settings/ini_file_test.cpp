#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "settings/errors.h"
#include "settings/file_lock.h"
#include "settings/program_path.h"
#include "settings/settings_test_support.h"
#include "settings/text_utils.h"
#include "support/temp_folder.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    IniFile Ini(const std::string& content) {
        folder_.Write("t.ini", content);
        return IniFile(folder_.File("t.ini"));
    }
    std::string Content() const { return folder_.Read("t.ini"); }

    TempFolder folder_{"tarnwick", SystemTempRoot()};
    ProgramFolderScope scope_{folder_.Path()};
};

using StringList = std::vector<std::string>;

}  // namespace

TEST_F(IniFileTest, ReadsNamesWithoutRegardToCaseAndTrimsValues) {
    const IniFile ini = Ini("[General]\r\n  Key One =  some value \t\r\n[other]\r\nx=1\r\n");
    EXPECT_EQ(ini.ReadString("GENERAL", "key one", "d"), "some value");
    EXPECT_EQ(ini.ReadString("general", "KEY ONE", "d"), "some value");
    EXPECT_EQ(ini.ReadString("OTHER", "X", "d"), "1");
    EXPECT_EQ(ini.ReadString("GENERAL", "x", "d"), "d");
    EXPECT_EQ(ini.ReadString("missing", "x", "d"), "d");
    EXPECT_EQ(IniFile(folder_.File("none.ini")).ReadString("GENERAL", "x", "d"), "d");
}

TEST_F(IniFileTest, FirstOfDuplicateSectionsAndKeysWins) {
    IniFile ini = Ini("[A]\r\nk=first\r\nk=second\r\n[a]\r\nk=third\r\nonly=here\r\n");
    EXPECT_EQ(ini.ReadString("A", "k", ""), "first");
    EXPECT_EQ(ini.ReadString("A", "only", "d"), "d");
    ini.WriteString("a", "K", "new");
    EXPECT_EQ(Content(), "[A]\r\nk=new\r\nk=second\r\n[a]\r\nk=third\r\nonly=here\r\n");
}

TEST_F(IniFileTest, AcceptsEveryLineEndAndOddLines) {
    const std::string binary("\x01\x02\xff\xfe\0junk", 9);
    const IniFile ini = Ini("orphan=1\r[S]\nno equals sign\r\n;c=comment\n" + binary +
                            "\n[broken\r\na=1\rb = 2 \n=nameless\n[T]\n");
    EXPECT_EQ(ini.ReadString("S", "a", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "b", ""), "2");
    EXPECT_EQ(ini.ReadString("S", ";c", "d"), "d");
    EXPECT_EQ(ini.ReadString("", "orphan", "d"), "d");
    EXPECT_EQ(ini.ReadSections(), (StringList{"S", "T"}));
    EXPECT_EQ(ini.ReadSection("s"), (StringList{"a", "b"}));
    EXPECT_TRUE(ini.SectionExists("t"));
    EXPECT_FALSE(ini.SectionExists("broken"));
}

TEST_F(IniFileTest, ValuesAreReadUpTo2047Characters) {
    const std::string huge(10 * 1024 * 1024, 'v');
    const IniFile ini = Ini("[S]\r\nbig=" + huge + "\r\nafter=ok\r\n");
    EXPECT_EQ(ini.ReadString("S", "big", ""), huge.substr(0, 2047));
    EXPECT_EQ(ini.ReadString("S", "after", ""), "ok");
}

TEST_F(IniFileTest, IntegersAreDecimalOrHexElseTheDefault) {
    const IniFile ini =
        Ini("[N]\r\ndec=110\r\nhex=0x6E\r\ndollar=$6e\r\nword=abc\r\nmixed=12abc\r\nneg=-5\r\n"
            "padded=  7  \r\nplus=+8\r\nbarehex=0x\r\nbaredollar=$\r\nempty=\r\nmax=2147483647\r\n"
            "over=2147483648\r\nmin=-2147483648\r\nallbits=0xFFFFFFFF\r\ntoobig=0x100000000\r\n"
            "float=1.5\r\ninner=1 2\r\n");
    const std::pair<const char*, int> cases[] = {
        {"dec", 110},    {"hex", 110},       {"dollar", 110}, {"word", -1},
        {"mixed", -1},   {"neg", -5},        {"padded", 7},   {"plus", 8},
        {"barehex", -1}, {"baredollar", -1}, {"empty", -1},   {"max", 2147483647},
        {"over", -1},    {"min", INT32_MIN}, {"allbits", -1}, {"toobig", -1},
        {"float", -1},   {"inner", -1},      {"absent", -1}};
    for (const auto& [key, expected] : cases) {
        EXPECT_EQ(ini.ReadInteger("N", key, -1), expected) << key;
    }
    EXPECT_EQ(ini.ReadInteger("N", "allbits", 0), -1);
    EXPECT_EQ(ini.ReadInteger("N", "word", 110), 110);
}

TEST_F(IniFileTest, BooleansAreIntegers) {
    const IniFile ini = Ini("[B]\r\none=1\r\nzero=0\r\ntwo=2\r\nhexzero=0x0\r\nword=yes\r\n");
    EXPECT_TRUE(ini.ReadBool("B", "one", false));
    EXPECT_FALSE(ini.ReadBool("B", "zero", true));
    EXPECT_TRUE(ini.ReadBool("B", "two", false));
    EXPECT_FALSE(ini.ReadBool("B", "hexzero", true));
    EXPECT_TRUE(ini.ReadBool("B", "word", true));
    EXPECT_FALSE(ini.ReadBool("B", "word", false));
    EXPECT_TRUE(ini.ReadBool("B", "absent", true));
}

TEST_F(IniFileTest, WritesInPlaceAtSectionEndOrInANewSection) {
    IniFile ini = Ini("; top\n[A]\nKey = old \nother=1\n\n[B]\nb=2");
    ini.WriteString("a", "KEY", "new");
    EXPECT_EQ(Content(), "; top\r\n[A]\r\nKey=new\r\nother=1\r\n\r\n[B]\r\nb=2\r\n");
    ini.WriteInteger("A", "added", -3);
    ini.WriteBool("C", "flag", true);
    ini.WriteBool("B", "off", false);
    EXPECT_EQ(Content(),
              "; top\r\n[A]\r\nKey=new\r\nother=1\r\nadded=-3\r\n\r\n[B]\r\nb=2\r\noff=0\r\n"
              "[C]\r\nflag=1\r\n");
    EXPECT_EQ(ini.ReadInteger("A", "added", 0), -3);
}

TEST_F(IniFileTest, CreatesAMissingFile) {
    IniFile ini(folder_.File("new.ini"));
    ini.WriteString("GENERAL", "AUTORUN", "0");
    EXPECT_EQ(folder_.Read("new.ini"), "[GENERAL]\r\nAUTORUN=0\r\n");
}

TEST_F(IniFileTest, AWrittenValueNeverBreaksALine) {
    IniFile ini = Ini("");
    ini.WriteString("S", "k", "one\r\ntwo\rthree\nfour");
    ini.WriteString("S", "after", "x");
    EXPECT_EQ(Content(), "[S]\r\nk=one~two~three~four\r\nafter=x\r\n");
}

TEST_F(IniFileTest, EraseRemovesEverySectionOfThatNameAndNothingElse) {
    IniFile ini = Ini("[keep]\r\na=1\r\n[Gone]\r\nb=2\r\n\r\n[x]\r\n[GONE]\r\nc=3\r\n");
    ini.EraseSection("gone");
    EXPECT_EQ(Content(), "[keep]\r\na=1\r\n[x]\r\n");
    ini.EraseSection("absent");
    EXPECT_EQ(Content(), "[keep]\r\na=1\r\n[x]\r\n");

    IniFile missing(folder_.File("missing.ini"));
    missing.EraseSection("any");
    EXPECT_FALSE(std::filesystem::exists(missing.Path()));
}

TEST_F(IniFileTest, NameListsHoldEveryNameHoweverLong) {
    // Thousands of sections and one very long name before the last: every name is listed.
    std::string content;
    for (int i = 0; i < 3000; ++i)
        content += "[S" + std::string(9, '0') + std::to_string(10000 + i) + "]\n";
    const std::string longName(100000, 'L');
    IniFile ini = Ini(content + "[" + longName + "]\n[EML_LAST]\nEMAIL=x\n");
    StringList names = ini.ReadSections();
    ASSERT_EQ(names.size(), 3002u);
    EXPECT_EQ(names[3000], longName);
    EXPECT_EQ(names.back(), "EML_LAST");

    std::string keys = "[K]\n";
    for (int i = 0; i < 2000; ++i) keys += "key" + std::to_string(10000 + i) + "=v\n";
    folder_.Write("t.ini", keys);
    EXPECT_EQ(ini.ReadSection("K").size(), 2000u);
}

TEST_F(IniFileTest, ObjectsOnTheSameFileSeeEachOthersWrites) {
    IniFile first = Ini("[S]\r\n");
    IniFile second(first.Path());
    first.WriteString("S", "a", "1");
    second.WriteString("S", "b", "2");
    first.WriteString("S", "a", "3");
    EXPECT_EQ(second.ReadString("S", "a", ""), "3");
    EXPECT_EQ(Content(), "[S]\r\na=3\r\nb=2\r\n");
}

TEST_F(IniFileTest, AFailedWriteThrowsAndLeavesTheFileAlone) {
    IniFile nowhere("/proc/no-such-folder/vellmoor.ini");
    EXPECT_EQ(ErrorText([&] { nowhere.WriteString("S", "k", "v"); }),
              "Unable to write to /proc/no-such-folder/vellmoor.ini: No such file or directory");

    // A folder where the file should be cannot be read, so it must not be replaced.
    std::filesystem::create_directory(folder_.File("dir.ini"));
    IniFile directory(folder_.File("dir.ini"));
    EXPECT_THROW(directory.WriteString("S", "k", "v"), TarnwickError);
    EXPECT_EQ(directory.ReadString("S", "k", "d"), "d");
    EXPECT_TRUE(std::filesystem::is_directory(directory.Path()));
    const std::string path = folder_.File("t.ini");
    const FileLock held(path);  // another writer that keeps the lock too long
    EXPECT_EQ(ErrorText([&] { const FileLock late(path, std::chrono::milliseconds(9)); }),
              "Unable to write to " + path + ": settings_lock_held " + path + ".lock");
}

TEST_F(IniFileTest, AReadOnlyFolderKeepsTheOldFileWhole) {
    IniFile ini = Ini("[S]\r\nk=old\r\n");
    ::chmod(ini.Path().c_str(), 0644);
    ::chmod(folder_.Path().c_str(), 0555);
    // Root writes into read-only folders: try as an ordinary user in a child process.
    const bool failedAsExpected = AsOrdinaryUser([&] {
        const bool failed = HasText(ErrorText([&] { ini.WriteString("S", "k", "new"); })) &&
                            HasText(ErrorText([&] { ini.EraseSection("S"); }));
        return failed && ini.ReadString("S", "k", "") == "old";
    });
    ::chmod(folder_.Path().c_str(), 0755);
    EXPECT_TRUE(failedAsExpected);
    EXPECT_EQ(Content(), "[S]\r\nk=old\r\n");
    EXPECT_EQ(folder_.FileCount(), 1u);
}

TEST_F(IniFileTest, WritingKeepsPermissionsAndLeavesNoTemporaryFile) {
    IniFile ini = Ini("[S]\r\n");
    ::chmod(ini.Path().c_str(), 0640);
    ini.WriteString("S", "k", "v");
    struct stat info {};
    ASSERT_EQ(::stat(ini.Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(folder_.FileCount(), 2u);  // and the writers' lock file
}

TEST_F(IniFileTest, SeesAnyChangeOnDiskEvenOfTheSameSize) {
    IniFile ini = Ini("[S]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    folder_.Write("t.ini", "[S]\r\nk=2\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
    folder_.Write("t.ini", "[S]\nk=3\n");
    ini.WriteString("S", "other", "x");
    EXPECT_EQ(Content(), "[S]\r\nk=3\r\nother=x\r\n");
    std::filesystem::remove(ini.Path());
    EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
}

TEST_F(IniFileTest, ABatchWritesOnceAtCommit) {
    IniFile ini = Ini("[S]\nk=1\n");
    ini.BeginBatch();
    ini.WriteString("S", "k", "2");
    ini.WriteString("T", "n", "3");
    ini.EraseSection("S");
    EXPECT_EQ(ini.ReadString("T", "n", ""), "3");
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_EQ(Content(), "[S]\nk=1\n");
    ini.CommitBatch();
    EXPECT_EQ(Content(), "[T]\r\nn=3\r\n");

    folder_.Write("t.ini", "[S]\nk=1\n");
    ini.BeginBatch();
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    ini.CommitBatch();
    EXPECT_EQ(Content(), "[S]\nk=1\n");  // nothing changed, nothing written
}

TEST_F(IniFileTest, WritingThroughALinkReplacesTheLinkedFile) {
    folder_.Write("real.ini", "[S]\r\n");
    std::filesystem::create_symlink("real.ini", folder_.File("link.ini"));
    IniFile ini(folder_.File("link.ini"));
    ini.WriteString("S", "k", "v");
    EXPECT_TRUE(std::filesystem::is_symlink(ini.Path()));
    EXPECT_EQ(folder_.Read("real.ini"), "[S]\r\nk=v\r\n");
}
