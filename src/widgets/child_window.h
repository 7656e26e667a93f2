#pragma once
// The windows the program shows one at a time beside the main window (list, setup, results,
// filter): each deletes itself when closed, is known by its kind while it exists, and tells
// the main window when it is gone. OpenOrRaise is the one way such a window is opened.

#include <QWidget>
#include <functional>

#include "widgets/window_registry.h"

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    // Registers the window as the open one of `kind`.
    ChildWindow(WindowKind kind, Qt::WindowFlags flags);
    // Forgets it and tells the main window (windowClosed).
    ~ChildWindow() override;

private:
    WindowKind kind_;
};

// Where a new single window appears: where it placed itself, or in the middle of its screen
// with the keyboard focus.
enum class Placement { AsBuilt, ScreenCentre };

// Brings the open window of `kind` to the front and returns null; otherwise `create` makes it,
// and it is shown as `placement` says and returned.
QWidget* OpenOrRaise(WindowKind kind, const std::function<QWidget*()>& create,
                     Placement placement = Placement::AsBuilt);
