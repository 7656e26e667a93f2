#include "message/mime_parse.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "message/charset.h"
#include "message/header_decode.h"
#include "settings/text_utils.h"

namespace {

// Deeper nesting than this is not walked (hostile messages nest without end).
constexpr int kMaxPartDepth = 32;

struct GObjectDeleter {
    void operator()(void* object) const {
        if (object) g_object_unref(object);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectDeleter>;

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

std::string Joined(const std::vector<std::string>& lines, std::string_view end) {
    std::size_t total = 0;
    for (const auto& line : lines) total += line.size() + end.size();
    std::string text;
    text.reserve(total);
    for (const auto& line : lines) {
        text += line;
        text += end;
    }
    return text;
}

bool IsBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// The bytes as the text of a Q encoded word: letters and digits as they are, the rest "=XX".
std::string QEncoded(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
            text += c;
        } else {
            text.append({'=', kHex[b >> 4], kHex[b & 15]});
        }
    }
    return text;
}

// The header with every B encoded word written as the Q word of the same bytes. The parser
// drops the last bytes of a B word without its padding, and after a padded B word it loses
// the next B words of the same charset; Q words it decodes whole.
std::string WithBase64WordsAsQ(std::string_view header) {
    std::string result;
    result.reserve(header.size());
    std::size_t pos = 0;
    for (std::size_t start; (start = header.find("=?", pos)) != std::string_view::npos;) {
        const std::size_t marker = header.find('?', start + 2);
        const bool base64 = marker != std::string_view::npos && marker + 2 < header.size() &&
                            (header[marker + 1] == 'B' || header[marker + 1] == 'b') &&
                            header[marker + 2] == '?';
        std::size_t textEnd = base64 ? marker + 3 : start + 2;
        while (base64 && textEnd < header.size() && IsBase64Char(header[textEnd])) ++textEnd;
        std::size_t padEnd = textEnd;
        while (base64 && padEnd < header.size() && header[padEnd] == '=') ++padEnd;
        std::optional<std::string> bytes;
        if (base64 && header.substr(padEnd, 2) == "?=") {
            std::string text(header.substr(marker + 3, textEnd - marker - 3));
            while (text.size() % 4 != 0) text += '=';
            bytes = DecodeBase64(text);
        }
        if (!bytes) {
            result.append(header, pos, start + 2 - pos);
            pos = start + 2;
            continue;
        }
        result.append(header, pos, marker - pos);
        result.append("?Q?").append(QEncoded(*bytes)).append("?=");
        pos = padEnd + 2;
    }
    result.append(header, pos);
    return result;
}

// Whether the line opens a header field ("Name: value", blanks allowed before the colon) or is
// the mailbox separator "From " that the parser knows.
bool OpensField(std::string_view line) {
    if (line.starts_with("From ")) return true;
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    std::string_view name = line.substr(0, colon);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) > 32 && c != 127;
    });
}

// The header as the parser reads it, every line followed by LF. The parser gives up on a
// header whose first line is not a field, so such a header gets a harmless field in front and
// the broken line is skipped like any other broken line.
std::string ParserHeaderText(const HeaderLines& lines) {
    std::string text = WithBase64WordsAsQ(lines.Text());
    if (!lines.empty() && !OpensField(lines.front())) text.insert(0, "X-Unparsed-Start: 1\n");
    return text;
}

GPtr<GMimeMessage> ParseText(const std::string& text) {
    EnsureMimeLibrary();
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    return GPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), nullptr));
}

void AppendAddresses(InternetAddressList* list, std::vector<MailAddress>& out, int depth = 0) {
    if (!list || depth > kMaxPartDepth) return;
    const int count = internet_address_list_length(list);
    for (int i = 0; i < count; ++i) {
        InternetAddress* address = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_GROUP(address)) {
            AppendAddresses(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)),
                            out, depth + 1);
        } else if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
            out.push_back(
                {Text(internet_address_get_name(address)),
                 Text(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)))});
        }
    }
}

std::string MimeType(GMimeObject* object) {
    GMimeContentType* type = object ? g_mime_object_get_content_type(object) : nullptr;
    if (!type) return "text/plain";
    char* text = g_mime_content_type_get_mime_type(type);
    std::string result = Text(text);
    g_free(text);
    return result;
}

std::time_t DateOf(GMimeMessage* message) {
    GDateTime* date = g_mime_message_get_date(message);
    return date ? static_cast<std::time_t>(g_date_time_to_unix(date)) : 0;
}

void FillHeader(MailMessage& entry, GMimeMessage* message) {
    std::vector<MailAddress> from;
    AppendAddresses(g_mime_message_get_from(message), from);
    if (!from.empty()) entry.from = from.front();
    entry.subject = Text(g_mime_message_get_subject(message));
    entry.date = DateOf(message);
    AppendAddresses(g_mime_message_get_to(message), entry.to);
    AppendAddresses(g_mime_message_get_cc(message), entry.cc);
    GMimeObject* body = g_mime_message_get_mime_part(message);
    entry.contentType = body ? MimeType(body) : MimeType(GMIME_OBJECT(message));
}

void ResetHeader(MailMessage& entry) {
    entry.from = {};
    entry.subject.clear();
    entry.date = 0;
    entry.to.clear();
    entry.cc.clear();
    entry.bcc.clear();
    entry.contentType = "text/plain";
}

std::string DecodedContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return {};
    GPtr<GMimeStream> out(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, out.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
    return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

// The text of a text part in UTF-8; bytes of an unknown charset are kept as they are.
std::string TextOf(GMimePart* part) {
    std::string bytes = DecodedContent(part);
    const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
    if (auto converted = CharsetToUtf8(bytes, charset ? charset : "UTF-8")) return *converted;
    if (auto fallback = CharsetToUtf8(bytes, "WINDOWS-1252")) return *fallback;
    return bytes;
}

bool IsAttachment(GMimePart* part) {
    return g_mime_part_is_attachment(part) || g_mime_part_get_filename(part) != nullptr;
}

std::string OtherPartName(GMimeObject* object) {
    if (GMIME_IS_PART(object)) {
        const char* description = g_mime_part_get_content_description(GMIME_PART(object));
        if (description && HasText(description)) return Trim(description);
    }
    if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        if (inner && g_mime_message_get_subject(inner)) return g_mime_message_get_subject(inner);
    }
    return MimeType(object);
}

// A parameter of the part's header, parsed again from the raw header with its B encoded words
// as Q words; nothing when the raw header holds no encoded word or lacks the parameter.
std::optional<std::string> ReparsedParameter(GMimeObject* object, const char* header,
                                             const char* parameter) {
    GMimeHeader* found =
        g_mime_header_list_get_header(g_mime_object_get_header_list(object), header);
    const char* raw = found ? g_mime_header_get_raw_value(found) : nullptr;
    if (!raw || std::string_view(raw).find("=?") == std::string_view::npos) return std::nullopt;
    const std::string value = WithBase64WordsAsQ(raw);
    const char* text = nullptr;
    if (g_ascii_strcasecmp(header, "Content-Disposition") == 0) {
        GPtr<GMimeContentDisposition> disposition(
            g_mime_content_disposition_parse(nullptr, value.c_str()));
        text = g_mime_content_disposition_get_parameter(disposition.get(), parameter);
        if (text) return std::string(text);
    } else {
        GPtr<GMimeContentType> type(g_mime_content_type_parse(nullptr, value.c_str()));
        text = g_mime_content_type_get_parameter(type.get(), parameter);
        if (text) return std::string(text);
    }
    return std::nullopt;
}

// The file name as the parser finds it (disposition "filename", else type "name"), with names
// written as encoded words read again so that base64 words keep every byte.
std::string FileNameOf(GMimePart* part) {
    GMimeObject* object = GMIME_OBJECT(part);
    if (const char* name = g_mime_object_get_content_disposition_parameter(object, "filename")) {
        return ReparsedParameter(object, "Content-Disposition", "filename").value_or(name);
    }
    if (auto name = ReparsedParameter(object, "Content-Type", "name")) return *name;
    return Text(g_mime_part_get_filename(part));
}

MailPart LeafPart(GMimeObject* object) {
    MailPart part;
    part.contentType = MimeType(object);
    if (GMIME_IS_PART(object) && IsAttachment(GMIME_PART(object))) {
        part.kind = MailPart::Kind::Attachment;
        part.fileName = FileNameOf(GMIME_PART(object));
    } else if (GMIME_IS_TEXT_PART(object)) {
        part.kind = MailPart::Kind::Text;
        part.lines = TextLines(TextOf(GMIME_PART(object)));
    } else {
        part.kind = MailPart::Kind::Other;
        part.displayName = OtherPartName(object);
    }
    return part;
}

void CollectParts(GMimeObject* object, std::vector<MailPart>& parts, int depth) {
    if (depth > kMaxPartDepth) return;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i) {
            CollectParts(g_mime_multipart_get_part(multipart, i), parts, depth + 1);
        }
    } else {
        parts.push_back(LeafPart(object));
    }
}

void FillBody(MailMessage& entry, GMimeObject* body) {
    if (!body) return;
    if (GMIME_IS_TEXT_PART(body) && !IsAttachment(GMIME_PART(body))) {
        entry.bodyLines = TextLines(TextOf(GMIME_PART(body)));
    } else {
        CollectParts(body, entry.parts, 0);
    }
}

}  // namespace

std::vector<std::string> TextLines(std::string_view text) {
    const std::vector<std::string_view> views = SplitLines(text);
    return std::vector<std::string>(views.begin(), views.end());
}

void ParseHeaderInto(MailMessage& entry) {
    ResetHeader(entry);
    const auto message = ParseText(ParserHeaderText(entry.rawHeaderLines) + "\n");
    if (message) FillHeader(entry, message.get());
}

void ParseMessageInto(MailMessage& entry, const std::vector<std::string>& body) {
    ResetHeader(entry);
    entry.bodyLines.clear();
    entry.parts.clear();
    const auto message =
        ParseText(ParserHeaderText(entry.rawHeaderLines) + "\n" + Joined(body, "\n"));
    if (!message) return;
    FillHeader(entry, message.get());
    FillBody(entry, g_mime_message_get_mime_part(message.get()));
}
