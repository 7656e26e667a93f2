#include "check/ui/notification.h"

namespace {
std::function<void()>& Handler() {
    static std::function<void()> handler;
    return handler;
}
}  // namespace

void AcknowledgeNewMail() {
    if (Handler()) Handler()();
}

void SetAcknowledgeNewMailHandler(std::function<void()> handler) {
    Handler() = std::move(handler);
}
