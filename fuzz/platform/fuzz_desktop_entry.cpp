// A desktop entry or mimeapps.list of any bytes: its groups, the default applications and
// the Exec line's arguments are read without a crash, and an Exec line that gives arguments
// gives a program name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/desktop_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DefaultApplications(text, "x-scheme-handler/mailto");
    const auto keys = ReadDesktopGroup(text, "Desktop Entry");
    const auto exec = keys.find("Exec");
    const auto arguments =
        ExecArguments(exec != keys.end() ? exec->second : text, {"icon", "Name", "/a.desktop"});
    if (arguments && (arguments->empty() || arguments->front().empty())) std::abort();
    return 0;
}
