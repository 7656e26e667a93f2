#include "message/charset.h"

#include <gmime/gmime.h>

#include <mutex>

#include "settings/text_utils.h"

void EnsureMimeLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

std::optional<std::string> CharsetToUtf8(std::string_view bytes, std::string_view charset) {
    const std::string name = Trim(charset.substr(0, charset.find('*')));
    if (name.empty()) return std::nullopt;
    if (SameTextAscii(name, "UTF-8") || SameTextAscii(name, "UTF8")) {
        if (!g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
            return std::nullopt;
        }
        return std::string(bytes);
    }
    EnsureMimeLibrary();
    iconv_t cd = g_mime_iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::optional<std::string> result;
    std::string in(bytes);
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    // Stateful charsets (ISO-2022) need the final flush call as well.
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
        out.resize(out.size() - outLeft);
        result = std::move(out);
    }
    g_mime_iconv_close(cd);
    return result;
}
