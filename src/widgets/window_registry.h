#pragma once
// The single windows beside the main window, one of each kind at most, found by their kind;
// and the requests that windows and desktop parts make of the main window, as signals. A
// window never reaches another one by a pointer of its own.

#include <QObject>
#include <QWidget>

// The windows that are open once at most.
enum class WindowKind { List, Setup, Results, Filter };

// The open window of that kind, or null.
QWidget* OpenWindow(WindowKind kind);
// Registers `window` as the open one of its kind; it is forgotten when it is destroyed.
void RegisterWindow(WindowKind kind, QWidget* window);

// What the windows and the desktop parts ask of the main window. The main window takes each
// request from the event loop (queued), never inside the sender's handler.
class WindowRequests : public QObject {
    Q_OBJECT
Q_SIGNALS:
    // The results window is wanted (the tray icon or the alert was clicked).
    void resultsWanted();
    // The list window is wanted on the state's pending account.
    void listWanted();
    // The main window is wanted on the screen (a second copy of the program was started).
    void mainWindowWanted();
    // A single window closed.
    void windowClosed();
    // The setup window saved the settings.
    void settingsSaved();
    // The help page of that topic is wanted.
    void helpWanted(int topic);
};

// The program's one request hub.
WindowRequests& Requests();

// Shows a window, puts it above the others and gives it the focus.
void BringToFront(QWidget* window);
