#include "app/application.h"

#include <exception>

TarnwickApplication::TarnwickApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Lets the desktop (Wayland in particular) match the windows with the launcher and its icon.
    setDesktopFileName(QStringLiteral("org.tarnwick.Tarnwick"));
}

bool TarnwickApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportUnhandledError(error.what());
    } catch (...) {
        ReportUnhandledError("Unknown error");
    }
    return false;
}
