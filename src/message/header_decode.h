#pragma once
// Decoding of RFC 2047 encoded words in header texts ("=?charset?Q?...?=", "=?charset?B?...?=").

#include <optional>
#include <string>
#include <string_view>

// The trimmed text with every encoded word decoded and converted from its charset to UTF-8
// (bytes of an unknown charset stay as they are). Text between words is kept unchanged, white
// space between two words included; an underscore in a Q word reads as a blank, as the message
// parser reads it (so the header pane and the list agree); a word that
// is not closed runs to the end of the text; a word with another encoding letter is kept.
std::string DecodeHeaderText(std::string_view text);

// Quoted-printable bytes: "=XX" gives the byte XX, a final "=" disappears, anything else stays.
std::string DecodeQuotedPrintable(std::string_view text);

// Base64 bytes, or nothing when the text is not valid base64 (its length a multiple of 4).
std::optional<std::string> DecodeBase64(std::string_view text);
