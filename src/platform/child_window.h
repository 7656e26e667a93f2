#pragma once
// The windows the program shows one at a time beside the main window (list, setup, results,
// filter): each deletes itself when closed, is known by its handle while it exists, and tells
// the main window when it is gone. OpenOrRaise is the one way such a window is opened.

#include <QPointer>
#include <QWidget>
#include <functional>

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    // Registers the window in `handle` (one of the handles in pop_command.h).
    ChildWindow(QPointer<QWidget>& handle, Qt::WindowFlags flags);
    // Clears the handle and posts "child closed" to the main window.
    ~ChildWindow() override;

private:
    QPointer<QWidget>& handle_;
};

// Where a new single window appears: where it placed itself, or in the middle of its screen
// with the keyboard focus.
enum class Placement { AsBuilt, ScreenCentre };

// Brings the window of `handle` to the front when it is open and returns null; otherwise
// `create` makes it, and it is shown as `placement` says and returned.
QWidget* OpenOrRaise(const QPointer<QWidget>& handle, const std::function<QWidget*()>& create,
                     Placement placement = Placement::AsBuilt);
