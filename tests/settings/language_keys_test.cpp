// Every language key that the source asks for has a text in the shipped language file, and no
// key is shipped twice (the file is assembled from the parts in data/lang).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Key -> first source file that asks for it. A key is asked for as the argument of the text
// look-up, of a window's Text helper, as the caption of an action, as the text of a progress
// display, as a column caption, or in a list of keys.
std::map<std::string, std::string> KeysAskedFor() {
    const std::regex asks[] = {
        std::regex(R"re(\bGetLangText\("([^"]+)"\))re"),
        std::regex(R"re(\bText\("([^"]+)"\))re"),
        std::regex(R"re(\b(?:Make|Add)Action\("[^"]*", "([^"]+)")re"),
        std::regex(R"re(\bShowProgress\(\d+, "([^"]+)"\))re"),
        std::regex(R"re(\{"([a-z][a-z0-9_]*)", \d+, \d+\})re"),
    };
    // A counted text: every language has the form for one.
    const std::regex counted(R"re(\bCountedText\("([^"]+)")re");
    const std::regex keyList(R"re(Keys\[\] = \{([^}]*)\})re");
    const std::regex literal(R"re("([^"]+)")re");
    std::map<std::string, std::string> keys;
    for (const auto& entry :
         fs::recursive_directory_iterator(fs::path(TARNWICK_SOURCE_DIR) / "src")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        const std::string text = ReadAll(entry.path());
        const std::string file = entry.path().lexically_relative(TARNWICK_SOURCE_DIR).string();
        for (const std::regex& ask : asks) {
            for (std::sregex_iterator it(text.begin(), text.end(), ask), end; it != end; ++it)
                keys.emplace((*it)[1].str(), file);
        }
        for (std::sregex_iterator it(text.begin(), text.end(), counted), end; it != end; ++it)
            keys.emplace((*it)[1].str() + "_one", file);
        for (std::sregex_iterator it(text.begin(), text.end(), keyList), end; it != end; ++it) {
            const std::string list = (*it)[1].str();
            for (std::sregex_iterator k(list.begin(), list.end(), literal); k != end; ++k)
                keys.emplace((*k)[1].str(), file);
        }
    }
    return keys;
}

}  // namespace

TEST(LanguageKeys, EveryKeyTheSourceAsksForIsShippedOnceWithAText) {
    std::map<std::string, std::string> shipped;  // key -> part file
    std::set<std::string> twice;
    for (const auto& entry : fs::directory_iterator(fs::path(TARNWICK_SOURCE_DIR) / "data/lang")) {
        if (entry.path().extension() != ".part") continue;
        std::istringstream lines(ReadAll(entry.path()));
        for (std::string line; std::getline(lines, line);) {
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos) continue;
            const std::string key = line.substr(0, equals);
            std::string value = line.substr(equals + 1);
            if (!value.empty() && value.back() == '\r') value.pop_back();
            EXPECT_FALSE(value.empty()) << key << " has no text";
            if (!shipped.emplace(key, entry.path().filename().string()).second) twice.insert(key);
        }
    }
    EXPECT_TRUE(twice.empty()) << "shipped twice: " << *twice.begin();

    const std::map<std::string, std::string> asked = KeysAskedFor();
    EXPECT_GT(asked.size(), 50u);  // the patterns still find the keys
    for (const auto& [key, file] : asked)
        EXPECT_TRUE(shipped.count(key) == 1) << key << " (asked for in " << file << ")";
}
