#pragma once
// IMAP responses (RFC 3501): one response read from the server's lines and counted literals,
// tagged, untagged or a continuation request, its data parsed into atoms, strings and nested
// lists.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imap/mailbox_name.h"
#include "settings/errors.h"

// One value of a response's data: an atom (a number is an atom), a quoted or literal string,
// NIL, or a parenthesised list. An atom with brackets, such as BODY[HEADER], is one atom.
struct ImapValue {
    enum class Kind : std::uint8_t { Atom, String, Nil, List };
    Kind kind = Kind::Atom;
    std::string text;  // atom or string
    std::vector<ImapValue> items;

    // An atom equal to `name`, letter case ignored.
    bool IsAtom(std::string_view name) const;
    // An atom of decimal digits that fits 32 bits unsigned (message numbers, UIDs, sizes).
    std::optional<std::uint32_t> Number() const;
    // The value of `name` in a list of name-value pairs, e.g. UID in a FETCH list.
    const ImapValue* Find(std::string_view name) const;
    ImapValue* Find(std::string_view name) {
        return const_cast<ImapValue*>(std::as_const(*this).Find(name));
    }
};

enum class ImapResponseKind : std::uint8_t { Tagged, Untagged, Continuation };

// The status word of a tagged or untagged status response.
enum class ImapStatus : std::uint8_t { None, Ok, No, Bad, Bye, PreAuth };

struct ImapResponse {
    ImapResponseKind kind = ImapResponseKind::Untagged;
    std::string tag;                       // tagged responses
    ImapStatus status = ImapStatus::None;  // status responses; None for data
    std::string code;                      // a status response's code without its brackets
    std::string text;                      // after the status word (code included)
    std::vector<ImapValue> data;           // data responses: the values after "*"

    // The code's words, e.g. {"CAPABILITY", "IMAP4rev1", ...} or {"UIDNEXT", "7"}.
    std::vector<std::string> CodeWords() const;
    // True when the first value is `name` (e.g. "CAPABILITY") or the second one is (for a
    // numbered response such as "* 3 EXISTS").
    bool Is(std::string_view name) const;
};

// A response the parser cannot read; the session is out of step after it.
class ImapProtocolError : public TarnwickError {
public:
    using TarnwickError::TarnwickError;
};

// Where a response comes from: the next line without its line end, and the next `size` bytes
// exactly (a literal).
struct ImapSource {
    std::function<std::string()> readLine;
    std::function<std::string(std::size_t size)> readBytes;
};

// The most bytes one response may take, its lines (with their line ends) and literals together
// over every line its literals join; a whole message (UID FETCH BODY[]) may take more. The
// most values one response may hold, and the deepest nesting of lists.
inline constexpr std::size_t kMaxResponseBytes = std::size_t{16} << 20;
inline constexpr std::size_t kMaxMessageResponseBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxResponseValues = 100000;
inline constexpr int kMaxListDepth = 64;

// Reads one response of at most `maxBytes`. Throws ImapProtocolError for a response that breaks
// the grammar (an unbalanced list, a bad literal, nesting too deep, a missing tag) or goes past
// the limits above, and whatever the source throws.
ImapResponse ReadImapResponse(const ImapSource& source, std::size_t maxBytes = kMaxResponseBytes);

// A string as the client sends it: an atom-safe text as a quoted string with `\` and `"`
// escaped. None when it cannot be quoted (CR, LF, NUL or 8-bit bytes): send a literal then.
std::optional<std::string> QuotedString(std::string_view text);
