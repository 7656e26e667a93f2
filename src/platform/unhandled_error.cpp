#include "platform/unhandled_error.h"

#include <cstdio>

namespace {

UnhandledErrorHandler& Handler() {
    static UnhandledErrorHandler handler;
    return handler;
}

}  // namespace

void SetUnhandledErrorHandler(UnhandledErrorHandler handler) {
    Handler() = std::move(handler);
}

void ReportUnhandledError(const std::string& message) {
    if (Handler()) {
        Handler()(message);
    } else {
        std::fprintf(stderr, "tarnwick: %s\n", message.c_str());
    }
}
