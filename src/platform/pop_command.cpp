#include "platform/pop_command.h"

#include <QCoreApplication>

namespace {
QPointer<QWidget> mainForm;
}

PopCommandEvent::PopCommandEvent(PopCommand wParam_, long long lParam_, QString text_)
    : QEvent(EventType()), wParam(wParam_), lParam(lParam_), text(std::move(text_)) {}

QEvent::Type PopCommandEvent::EventType() {
    static const auto type =
        static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + 130));
    return type;
}

void PostPopCommand(QObject* target, PopCommand command, long long lParam) {
    if (target != nullptr)
        QCoreApplication::postEvent(target, new PopCommandEvent(command, lParam));
}

void PostPopCommand(QObject* target, PopCommand command, const QString& text) {
    if (target != nullptr)
        QCoreApplication::postEvent(target, new PopCommandEvent(command, 0, text));
}

void BringToFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* MainForm() {
    return mainForm.data();
}

void SetMainForm(QWidget* window) {
    mainForm = window;
}
