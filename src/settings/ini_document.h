#pragma once
// The lines of an initialisation file and the edits that IniFile makes to them. A line ends
// at CR, LF or CR LF; a line "[name]" opens a section, a line "key=value" inside a section is
// a key, a line starting with ";" is a comment; every other line is kept as it is and never
// matches. Names and values are trimmed of blanks; names match without regard to ASCII case,
// and the first of several equal names wins. A UTF-8 byte-order mark before the first line is
// no part of it, and is written back.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class IniLine {
public:
    enum class Kind { Other, Section, Key };

    explicit IniLine(std::string text);

    Kind GetKind() const { return kind_; }
    const std::string& Text() const { return text_; }
    std::string_view Name() const { return std::string_view(text_).substr(nameAt_, nameSize_); }
    std::string_view Value() const { return std::string_view(text_).substr(valueAt_, valueSize_); }

private:
    std::string text_;  // the whole line, without its line end
    Kind kind_ = Kind::Other;
    std::size_t nameAt_ = 0, nameSize_ = 0, valueAt_ = 0, valueSize_ = 0;
};

class IniDocument {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit IniDocument(std::string_view content);

    const std::vector<IniLine>& Lines() const { return lines_; }
    // The whole text, every line ended by CR LF.
    std::string Content() const;

    // Index of the header line of the first section called `section`, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the first key line called `key` in the section headed at `header`, or npos.
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    // Index one past the last line of the section headed at `header`.
    std::size_t SectionEnd(std::size_t header) const;

    // Every section name in file order (a repeated section once, where it first appears);
    // every key name of one section in file order.
    std::vector<std::string_view> SectionNames() const;
    std::vector<std::string_view> KeyNames(std::string_view section) const;

    // Sets `key` to `value` (which must hold no line break): in place when the key exists,
    // else after the last non-blank line of its section, else in a new section at the end.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes every section called `section`; false when there was none.
    bool EraseSection(std::string_view section);
    // Removes every line of `key` in the first section called `section`; false when none.
    bool EraseKey(std::string_view section, std::string_view key);

private:
    void IndexSections();

    bool byteOrderMark_ = false;
    std::vector<IniLine> lines_;
    std::unordered_map<std::string, std::size_t> firstSection_;  // upper-cased name -> header
};
