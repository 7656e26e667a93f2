#include "settings/ini_document.h"

#include "settings/text_utils.h"

namespace {

std::string KeyLine(std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line += key;
    line += '=';
    line += value;
    return line;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kSpareLines = 32;

}  // namespace

IniLine::IniLine(std::string text) : text_(std::move(text)) {
    const std::string_view line = text_;
    const std::string_view body = TrimView(line);
    const auto offset = [line](std::string_view part) {
        return part.empty() ? 0 : static_cast<std::size_t>(part.data() - line.data());
    };
    const auto setName = [&](std::string_view name) {
        nameAt_ = offset(name);
        nameSize_ = name.size();
    };
    if (body.starts_with('[')) {
        const std::size_t close = body.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            kind_ = Kind::Section;
            setName(TrimView(body.substr(1, close - 1)));
            return;
        }
    }
    const std::size_t equals = line.find('=');
    if (body.starts_with(';') || equals == std::string_view::npos) return;
    kind_ = Kind::Key;
    setName(TrimView(line.substr(0, equals)));
    const std::string_view value = TrimView(line.substr(equals + 1));
    valueAt_ = offset(value);
    valueSize_ = value.size();
}

IniDocument::IniDocument(std::string_view content) {
    byteOrderMark_ = content.starts_with(kByteOrderMark);
    if (byteOrderMark_) content.remove_prefix(kByteOrderMark.size());
    const std::vector<std::string_view> texts = SplitLines(content);
    // Room for a few more lines: a key added to a long file moves its lines, never reallocates.
    lines_.reserve(texts.size() + kSpareLines);
    for (const std::string_view text : texts) lines_.emplace_back(std::string(text));
    IndexSections();
}

void IniDocument::IndexSections() {
    firstSection_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].GetKind() == IniLine::Kind::Section) {
            firstSection_.try_emplace(UpperAscii(lines_[i].Name()), i);
        }
    }
}

std::string IniDocument::Content() const {
    std::size_t size = 0;
    for (const IniLine& line : lines_) size += line.Text().size() + 2;
    std::string content;
    content.reserve(size + kByteOrderMark.size());
    if (byteOrderMark_) content = kByteOrderMark;
    for (const IniLine& line : lines_) {
        content += line.Text();
        content += "\r\n";
    }
    return content;
}

std::size_t IniDocument::FindSection(std::string_view section) const {
    const auto found = firstSection_.find(UpperAscii(TrimView(section)));
    return found == firstSection_.end() ? npos : found->second;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].GetKind() != IniLine::Kind::Section) ++i;
    return i;
}

std::size_t IniDocument::FindKey(std::size_t header, std::string_view key) const {
    key = TrimView(key);
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].GetKind() == IniLine::Kind::Key && SameTextAscii(lines_[i].Name(), key)) {
            return i;
        }
    }
    return npos;
}

std::vector<std::string_view> IniDocument::SectionNames() const {
    std::vector<std::string_view> names;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const IniLine& line = lines_[i];
        if (line.GetKind() == IniLine::Kind::Section && !line.Name().empty() &&
            FindSection(line.Name()) == i) {
            names.push_back(line.Name());
        }
    }
    return names;
}

std::vector<std::string_view> IniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string_view> names;
    const std::size_t header = FindSection(section);
    if (header == npos) return names;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].GetKind() == IniLine::Kind::Key && !lines_[i].Name().empty()) {
            names.push_back(lines_[i].Name());
        }
    }
    return names;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::size_t header = FindSection(section);
    if (header == npos) {
        std::string headerLine = "[";
        headerLine.append(section).append("]");
        lines_.emplace_back(std::move(headerLine));
        firstSection_.try_emplace(UpperAscii(TrimView(section)), lines_.size() - 1);
        lines_.emplace_back(KeyLine(key, value));
        return;
    }
    const std::size_t found = FindKey(header, key);
    if (found != npos) {
        lines_[found] = IniLine(KeyLine(lines_[found].Name(), value));
        return;
    }
    std::size_t insertAfter = header;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (HasText(lines_[i].Text())) insertAfter = i;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAfter + 1),
                  IniLine(KeyLine(key, value)));
    for (auto& [name, index] : firstSection_) {
        if (index > insertAfter) ++index;
    }
}

bool IniDocument::EraseSection(std::string_view section) {
    if (FindSection(section) == npos) return false;
    section = TrimView(section);
    std::vector<IniLine> kept;
    bool erasing = false;
    for (IniLine& line : lines_) {
        if (line.GetKind() == IniLine::Kind::Section) {
            erasing = SameTextAscii(line.Name(), section);
        }
        if (!erasing) kept.push_back(std::move(line));
    }
    lines_ = std::move(kept);
    IndexSections();
    return true;
}

bool IniDocument::EraseKey(std::string_view section, std::string_view key) {
    const std::size_t header = FindSection(section);
    if (header == npos) return false;
    bool erased = false;
    for (std::size_t line = FindKey(header, key); line != npos; line = FindKey(header, key)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line));
        erased = true;
    }
    if (erased) IndexSections();
    return erased;
}
