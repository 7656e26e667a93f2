#pragma once
// The application object. An error that no handler caught reaches the unhandled-error handler
// (the main window's) instead of ending the program.

#include <QApplication>
#include <functional>
#include <string>

class TarnwickApplication : public QApplication {
public:
    TarnwickApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Receives the message of every error that escaped an event handler; none clears it.
using UnhandledErrorHandler = std::function<void(const std::string& message)>;
void SetUnhandledErrorHandler(UnhandledErrorHandler handler);

// Hands `message` to the handler (or writes it to stderr when there is none).
void ReportUnhandledError(const std::string& message);
