// Keys, focus and mouse in the setup window's fields: Enter moves on, F1 opens the field's
// help topic, the focused field is lit, and a right click on the sound switch plays the sound.

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include "platform/sound.h"
#include "setup/setup_window.h"
#include "widgets/form_style.h"
#include "widgets/help.h"

namespace {
constexpr int kSetupHelpTopic = 300;
// The most buttons that stand between two fields in the tab order (the list's four and its help
// button).
constexpr int kMostButtonsInARow = 6;

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
}  // namespace

bool SetupWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* control = qobject_cast<QWidget*>(watched);
    if (control == nullptr) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (helpKeyDown(control, key) || enter_next(key)) return true;
            break;
        }
        case QEvent::FocusIn:
            enterCTRL(control);
            break;
        case QEvent::FocusOut:
            exitCTRL(control);
            break;
        case QEvent::MouseButtonPress:
            if (control == soundBox_) pop_waveMouseDown(static_cast<QMouseEvent*>(event));
            break;
        case QEvent::MouseButtonRelease:
            if (control == helpLabel_ &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                ShowHelp(helpLabel_);
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void SetupWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) OnActivated();
}

bool SetupWindow::enter_next(QKeyEvent* key) {
    if (!IsEnter(key)) return false;
    // Enter goes on to the next field; the buttons between the fields are for Tab.
    for (int step = 0; step < kMostButtonsInARow; ++step) {
        focusNextPrevChild(true);
        if (qobject_cast<QToolButton*>(focusWidget()) == nullptr) break;
    }
    return true;
}

bool SetupWindow::helpKeyDown(QWidget* control, QKeyEvent* key) {
    if (key->key() != Qt::Key_F1) return false;
    ShowHelpTopic(kSetupHelpTopic + HelpOffset(control));
    return true;
}

void SetupWindow::enterCTRL(QWidget* control) {
    if (IsColouredControl(control)) SetFieldColour(control, kFocusColour);
}

void SetupWindow::exitCTRL(QWidget* control) {
    if (IsColouredControl(control)) SetFieldColour(control, kFieldColour);
}

// Only the right button tests the sound; the left one toggles the box as usual.
bool SetupWindow::pop_waveMouseDown(QMouseEvent* mouse) {
    if (mouse->button() != Qt::RightButton) return false;
    PlayNewMailSound();
    return true;
}
