#pragma once
// The application object. An error that no handler caught reaches the unhandled-error handler
// (the main window's) instead of ending the program.

#include <QApplication>

#include "platform/unhandled_error.h"

class TarnwickApplication : public QApplication {
public:
    TarnwickApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
