#pragma once
// Charset conversion of decoded header and body bytes into UTF-8, the display encoding.

#include <optional>
#include <string>
#include <string_view>

// Starts the MIME library once per process; every function that parses or converts calls it.
void EnsureMimeLibrary();

// The bytes converted from `charset` to UTF-8, or nothing when the charset is unknown or the
// bytes are not valid in it. A language suffix ("utf-8*en") is ignored.
std::optional<std::string> CharsetToUtf8(std::string_view bytes, std::string_view charset);
