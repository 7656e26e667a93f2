// The shipped language files: every language has exactly the keys of English, once each, and
// its texts survive the cipher that the program applies at exit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "settings/cipher.h"
#include "settings/text_utils.h"

namespace fs = std::filesystem;

namespace {

const fs::path kLanguages = fs::path(TARNWICK_TEST_DATA) / ".." / ".." / "data" / "lang";

struct Texts {
    std::map<std::string, std::string> values;  // by upper-cased key, as lookups match
    std::set<std::string> duplicates;
};

// The entries of every part file of `folder`, as the build assembles them.
Texts ReadParts(const fs::path& folder) {
    Texts texts;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".part") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        for (const std::string_view line : SplitLines(bytes)) {
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos) continue;
            const std::string key = UpperAscii(line.substr(0, equals));
            if (!texts.values.emplace(key, std::string(line.substr(equals + 1))).second)
                texts.duplicates.insert(key);
        }
    }
    return texts;
}

std::set<std::string> Keys(const Texts& texts) {
    std::set<std::string> keys;
    for (const auto& [key, value] : texts.values) keys.insert(key);
    return keys;
}

std::vector<fs::path> OtherLanguages() {
    std::vector<fs::path> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(kLanguages))
        if (entry.is_directory()) folders.push_back(entry.path());
    return folders;
}

}  // namespace

TEST(ShippedLanguages, EveryLanguageHasEveryKeyOfEnglishOnce) {
    ASSERT_TRUE(fs::is_directory(kLanguages / "cs"));
    const Texts english = ReadParts(kLanguages);
    EXPECT_TRUE(english.duplicates.empty());
    EXPECT_FALSE(english.values.empty());
    for (const fs::path& folder : OtherLanguages()) {
        SCOPED_TRACE(folder.filename().string());
        const Texts other = ReadParts(folder);
        EXPECT_EQ(Keys(other), Keys(english));
        EXPECT_TRUE(other.duplicates.empty());
        for (const auto& [key, value] : other.values) {
            SCOPED_TRACE(key);
            const auto it = english.values.find(key);
            if (it != english.values.end() && HasText(it->second)) {
                EXPECT_TRUE(HasText(value));
            }
            // Stored enciphered after the first run: the UTF-8 texts must come back whole.
            EXPECT_EQ(DecipherText(EncipherText(value)), value);
        }
    }
}
