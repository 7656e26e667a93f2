#pragma once
// The program's internal command message: a posted event carrying a command number and a
// value, never delivered synchronously. And the program-wide pointers to the child windows,
// which clear themselves when their window is destroyed.

#include <QEvent>
#include <QPointer>
#include <QString>
#include <QWidget>

constexpr int WM_POPCOMMAND = 1154;

// The command numbers. The main window, the list window and the results window each read the
// message with their own codes, so some numbers appear twice; no receiver mixes them.
enum class PopCommand : int {
    // To the main window.
    OpenResults = 0,    // the tray icon was clicked
    AlertClicked = 1,   // the alert was clicked
    ChildClosed = 2,    // a child window closed
    ShowMain = 3,       // a second start asks for the main window
    OpenList = 4,       // open the list window (on PendingAccount)
    SettingsSaved = 5,  // the setup window saved
    Continue = 6,       // hide the main window and go on
    ShowHelp = 8,       // lParam: the help topic
    // To the list window.
    ListOpenPending = 0,  // open the account in PendingAccount
    ListShowError = 99,   // show the error in the event's text
    // To the results window.
    ResultsRefresh = 0,  // lParam: the index of the panel to refresh
};

class PopCommandEvent : public QEvent {
public:
    PopCommandEvent(PopCommand wParam, long long lParam, QString text = {});
    static QEvent::Type EventType();

    PopCommand wParam;
    long long lParam;
    QString text;  // the payload of a command that carries a text
};

// Posts WM_POPCOMMAND to `target`; nothing when target is null.
void PostPopCommand(QObject* target, PopCommand command, long long lParam = 0);
// The same with a text.
void PostPopCommand(QObject* target, PopCommand command, const QString& text);

// Shows a window, puts it above the others and gives it the focus.
void BringToFront(QWidget* window);

// The main window, the receiver of commands posted by other windows and components.
QWidget* MainForm();
void SetMainForm(QWidget* window);

inline QPointer<QWidget> ListWindowHandle;
inline QPointer<QWidget> SetupWindowHandle;
inline QPointer<QWidget> ResultsWindowHandle;
inline QPointer<QWidget> FilterWindowHandle;
