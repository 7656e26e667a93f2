#pragma once
// Hands a raw message to an entry the way the POP3 client does: header lines up to the first
// empty line, then (for a whole message) the body lines. The fuzz targets use it too.

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "message/mail_entry.h"

#ifdef TARNWICK_TEST_DATA
inline std::string ReadListFixture(std::string_view name) {
    std::ifstream in(std::string(TARNWICK_TEST_DATA) + "/list/" + std::string(name),
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
#endif

inline void FeedMessage(MessageSink& sink, std::string_view raw, bool wholeMessage) {
    bool inHeader = true;
    while (!raw.empty()) {
        const std::size_t end = raw.find('\n');
        std::string line(raw.substr(0, end));
        raw.remove_prefix(end == std::string_view::npos ? raw.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inHeader && line.empty()) {
            inHeader = false;
            sink.HeaderComplete();
            if (!wholeMessage) return;
        } else if (inHeader) {
            sink.AddHeaderLine(std::move(line));
        } else {
            sink.AddBodyLine(std::move(line));
        }
    }
    if (inHeader) sink.HeaderComplete();
    if (wholeMessage) sink.BodyComplete();
}

#ifdef TARNWICK_TEST_DATA
inline MailMessage EntryFromFixture(std::string_view name, bool wholeMessage = false) {
    MailMessage entry;
    FeedMessage(entry, ReadListFixture(name), wholeMessage);
    return entry;
}
#endif
