#include "widgets/child_window.h"

#include <QScreen>

ChildWindow::ChildWindow(WindowKind kind, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), kind_(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    RegisterWindow(kind_, this);
}

ChildWindow::~ChildWindow() {
    if (OpenWindow(kind_) == this) RegisterWindow(kind_, nullptr);
    Q_EMIT Requests().windowClosed();
}

QWidget* OpenOrRaise(WindowKind kind, const std::function<QWidget*()>& create,
                     Placement placement) {
    if (QWidget* open = OpenWindow(kind)) {
        BringToFront(open);
        return nullptr;
    }
    QWidget* window = create();
    if (placement == Placement::ScreenCentre) {
        const QRect screen = window->screen()->availableGeometry();
        window->move(screen.center() - window->rect().center());
    }
    window->show();
    if (placement == Placement::ScreenCentre) window->activateWindow();
    return window;
}
