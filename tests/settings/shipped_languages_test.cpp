// The shipped language files: every language has exactly the keys of English, once each (a
// counted text with the forms of its own language), and its texts survive the cipher that the
// program applies at exit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "settings/cipher.h"
#include "settings/counted_text.h"
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

// The keys, each counted text once by its base key; the forms of the counted texts by base key.
struct KeySet {
    std::set<std::string> keys;
    std::map<std::string, std::set<std::string>> forms;
};

KeySet Keys(const Texts& texts) {
    KeySet set;
    for (const auto& [key, value] : texts.values) {
        const std::size_t cut = key.rfind('_');
        const std::string base = key.substr(0, cut);
        if (cut != std::string::npos && texts.values.count(base + "_ONE") != 0) {
            set.forms[base].insert(key.substr(cut + 1));
            set.keys.insert(base);
        } else {
            set.keys.insert(key);
        }
    }
    return set;
}

std::set<std::string> FormsOf(const Texts& texts) {
    std::set<std::string> forms;
    for (const PluralForm form : PluralFormsOf(texts.values.at("LANGUAGE_CODE")))
        forms.insert(UpperAscii(PluralSuffix(form)));
    return forms;
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
    for (const auto& [base, forms] : Keys(english).forms)
        EXPECT_EQ(forms, FormsOf(english)) << base;
    for (const fs::path& folder : OtherLanguages()) {
        SCOPED_TRACE(folder.filename().string());
        const Texts other = ReadParts(folder);
        const KeySet keys = Keys(other);
        EXPECT_EQ(keys.keys, Keys(english).keys);
        for (const auto& [base, forms] : keys.forms) EXPECT_EQ(forms, FormsOf(other)) << base;
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
