#pragma once
// Reading the desktop's own files without Qt: the default application of a MIME type from the
// mimeapps.list files, and a desktop entry's Exec line as arguments. Kept free of Qt so that
// the fuzz target can take it alone.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The keys of one group of a desktop entry or mimeapps.list ("[Desktop Entry]"), without
// localised keys ("Name[cs]"); the first of a repeated key counts.
std::map<std::string, std::string> ReadDesktopGroup(std::string_view text, std::string_view group);

// The desktop file ids listed for `mimeType` in the [Default Applications] group of a
// mimeapps.list text, in order.
std::vector<std::string> DefaultApplications(std::string_view mimeappsText,
                                             std::string_view mimeType);

// What an Exec line's field codes stand for when the entry starts without files or URLs.
struct ExecFields {
    std::string icon;  // %i: "--icon" and the Icon key, when it has one
    std::string name;  // %c: the Name key
    std::string file;  // %k: the entry's own path
};

// The arguments of an Exec value (string escapes, quoting and field codes undone; %f %F %u %U
// and the deprecated codes left out). None when the line is malformed or empty.
std::optional<std::vector<std::string>> ExecArguments(std::string_view exec,
                                                      const ExecFields& fields);
