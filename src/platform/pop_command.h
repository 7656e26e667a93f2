#pragma once
// The program's internal command message: a posted event carrying a command number and a
// value, never delivered synchronously. And the program-wide pointers to the child windows,
// which clear themselves when their window is destroyed.

#include <QEvent>
#include <QPointer>
#include <QWidget>

constexpr int WM_POPCOMMAND = 1154;

class PopCommandEvent : public QEvent {
public:
    PopCommandEvent(int wParam, long long lParam);
    static QEvent::Type EventType();

    int wParam;
    long long lParam;
};

// Posts WM_POPCOMMAND to `target`; nothing when target is null.
void PostPopCommand(QObject* target, int wParam, long long lParam = 0);

// Shows a window, puts it above the others and gives it the focus.
void BringToFront(QWidget* window);

// The main window, the receiver of commands posted by other windows and components.
QWidget* MainForm();
void SetMainForm(QWidget* window);

inline QPointer<QWidget> ListWindowHandle;
inline QPointer<QWidget> SetupWindowHandle;
inline QPointer<QWidget> ResultsWindowHandle;
inline QPointer<QWidget> FilterWindowHandle;
