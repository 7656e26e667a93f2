#include "settings/ini_document.h"

#include "settings/text_utils.h"

namespace {

IniLine ClassifyLine(std::string_view text) {
    IniLine line;
    line.text = text;
    const std::string_view body = TrimView(text);
    if (body.starts_with('[')) {
        const std::size_t close = body.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            line.kind = IniLine::Kind::Section;
            line.name = TrimView(body.substr(1, close - 1));
            return line;
        }
    }
    if (body.starts_with(';')) return line;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return line;
    line.kind = IniLine::Kind::Key;
    line.name = TrimView(text.substr(0, equals));
    line.value = TrimView(text.substr(equals + 1));
    return line;
}

void AppendLine(std::string& out, std::string_view text) {
    out += text;
    out += "\r\n";
}

void AppendKeyLine(std::string& out, std::string_view key, std::string_view value) {
    out += key;
    out += '=';
    AppendLine(out, value);
}

bool SameName(const IniLine& line, IniLine::Kind kind, std::string_view name) {
    return line.kind == kind && SameTextAscii(line.name, name);
}

}  // namespace

IniDocument::IniDocument(std::string content) : content_(std::move(content)) {
    for (const std::string_view text : SplitLines(content_)) lines_.push_back(ClassifyLine(text));
}

std::size_t IniDocument::FindSection(std::string_view section) const {
    section = TrimView(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (SameName(lines_[i], IniLine::Kind::Section, section)) return i;
    }
    return npos;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != IniLine::Kind::Section) ++i;
    return i;
}

std::size_t IniDocument::FindKey(std::size_t header, std::string_view key) const {
    key = TrimView(key);
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (SameName(lines_[i], IniLine::Kind::Key, key)) return i;
    }
    return npos;
}

std::vector<std::string_view> IniDocument::SectionNames() const {
    std::vector<std::string_view> names;
    for (const IniLine& line : lines_) {
        if (line.kind == IniLine::Kind::Section && !line.name.empty()) names.push_back(line.name);
    }
    return names;
}

std::vector<std::string_view> IniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string_view> names;
    const std::size_t header = FindSection(section);
    if (header == npos) return names;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == IniLine::Kind::Key && !lines_[i].name.empty()) {
            names.push_back(lines_[i].name);
        }
    }
    return names;
}

std::string IniDocument::WithValue(std::string_view section, std::string_view key,
                                   std::string_view value) const {
    std::string out;
    out.reserve(content_.size() + section.size() + key.size() + value.size() + 8);
    const std::size_t header = FindSection(section);
    if (header == npos) {
        for (const IniLine& line : lines_) AppendLine(out, line.text);
        out += '[';
        out += section;
        AppendLine(out, "]");
        AppendKeyLine(out, key, value);
        return out;
    }
    const std::size_t found = FindKey(header, key);
    std::size_t insertAfter = npos;
    if (found == npos) {
        insertAfter = header;
        const std::size_t end = SectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            if (HasText(lines_[i].text)) insertAfter = i;
        }
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i == found) {
            AppendKeyLine(out, lines_[i].name, value);
        } else {
            AppendLine(out, lines_[i].text);
        }
        if (i == insertAfter) AppendKeyLine(out, key, value);
    }
    return out;
}

std::string IniDocument::WithoutSection(std::string_view section) const {
    std::string out;
    out.reserve(content_.size());
    section = TrimView(section);
    bool erasing = false;
    for (const IniLine& line : lines_) {
        if (line.kind == IniLine::Kind::Section) erasing = SameTextAscii(line.name, section);
        if (!erasing) AppendLine(out, line.text);
    }
    return out;
}
