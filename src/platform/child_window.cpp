#include "platform/child_window.h"

#include <QScreen>

#include "platform/pop_command.h"

ChildWindow::ChildWindow(QPointer<QWidget>& handle, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), handle_(handle) {
    setAttribute(Qt::WA_DeleteOnClose);
    handle_ = this;
}

ChildWindow::~ChildWindow() {
    if (handle_ == this) handle_ = nullptr;
    PostPopCommand(MainForm(), PopCommand::ChildClosed);
}

QWidget* OpenOrRaise(const QPointer<QWidget>& handle, const std::function<QWidget*()>& create,
                     Placement placement) {
    if (QWidget* open = handle.data()) {
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
