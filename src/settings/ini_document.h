#pragma once
// The parsed text of an initialisation file and the edits that IniFile makes to it. A line
// ends at CR, LF or CR LF; a line "[name]" opens a section, a line "key=value" inside a
// section is a key, a line starting with ";" is a comment; every other line is kept as it is
// and never matches. Names and values are trimmed of blanks; names match without regard to
// ASCII case, and the first of several equal names wins.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct IniLine {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    std::string_view text;   // the whole line, without its line end
    std::string_view name;   // section or key name
    std::string_view value;  // key value
};

class IniDocument {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit IniDocument(std::string content);
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    const std::vector<IniLine>& Lines() const { return lines_; }

    // Index of the header line of the first section called `section`, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the first key line called `key` in the section headed at `header`, or npos.
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    // Index one past the last line of the section headed at `header`.
    std::size_t SectionEnd(std::size_t header) const;

    // Every section name in file order; every key name of one section in file order.
    std::vector<std::string_view> SectionNames() const;
    std::vector<std::string_view> KeyNames(std::string_view section) const;

    // The whole text with `key` set to `value` (which must hold no line break): in place when
    // the key exists, else after the last non-blank line of its section, else in a new section
    // at the end. Lines end in CR LF.
    std::string WithValue(std::string_view section, std::string_view key,
                          std::string_view value) const;
    // The whole text without any section called `section`.
    std::string WithoutSection(std::string_view section) const;

private:
    std::string content_;
    std::vector<IniLine> lines_;
};
