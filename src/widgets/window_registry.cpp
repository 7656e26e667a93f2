#include "widgets/window_registry.h"

#include <QPointer>
#include <array>

namespace {

std::array<QPointer<QWidget>, 4>& Registry() {
    static std::array<QPointer<QWidget>, 4> windows;
    return windows;
}

}  // namespace

QWidget* OpenWindow(WindowKind kind) {
    return Registry()[static_cast<std::size_t>(kind)].data();
}

void RegisterWindow(WindowKind kind, QWidget* window) {
    Registry()[static_cast<std::size_t>(kind)] = window;
}

WindowRequests& Requests() {
    static auto* const requests = new WindowRequests;  // lives as long as the process
    return *requests;
}

void BringToFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}
