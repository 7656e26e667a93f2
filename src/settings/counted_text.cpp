#include "settings/counted_text.h"

#include <optional>

#include "settings/language.h"

namespace {

bool UsesFewForm(std::string_view languageCode) {
    return languageCode == "cs" || languageCode == "sk";
}

bool IsLanguageCode(std::string_view text) {
    if (text.size() < 2 || text.size() > 3) return false;
    for (const char c : text)
        if (c < 'a' || c > 'z') return false;
    return true;
}

}  // namespace

std::vector<PluralForm> PluralFormsOf(std::string_view languageCode) {
    if (UsesFewForm(languageCode)) return {PluralForm::One, PluralForm::Few, PluralForm::Many};
    return {PluralForm::One, PluralForm::Other};
}

PluralForm PluralFormFor(std::string_view languageCode, unsigned long long count) {
    if (count == 1) return PluralForm::One;
    if (!UsesFewForm(languageCode)) return PluralForm::Other;
    return count >= 2 && count <= 4 ? PluralForm::Few : PluralForm::Many;
}

std::string_view PluralSuffix(PluralForm form) {
    switch (form) {
        case PluralForm::One:
            return "one";
        case PluralForm::Few:
            return "few";
        case PluralForm::Many:
            return "many";
        case PluralForm::Other:
            break;
    }
    return "other";
}

std::string TextLanguage() {
    const std::optional<std::string> code = FindLangText("language_code");
    return code && IsLanguageCode(*code) ? *code : "en";
}

std::string CountedText(std::string_view baseKey, unsigned long long count) {
    const std::string key = std::string(baseKey) + "_" +
                            std::string(PluralSuffix(PluralFormFor(TextLanguage(), count)));
    if (auto text = FindLangText(key)) return *text;
    if (const auto plain = FindLangText(baseKey)) return *plain;
    return GetLangText(key);
}
