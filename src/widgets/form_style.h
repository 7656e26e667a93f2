#pragma once
// Colours and small control settings of the forms: the setup window and the filter editor.

#include <QColor>

class QLineEdit;
class QString;
class QWidget;

// The window's background, which the fields share while they do not hold the focus.
inline const QColor kFieldColour(0x88, 0xAE, 0xE4);
// A field's background while it holds the keyboard focus.
inline const QColor kFocusColour(0xDA, 0xEA, 0xFD);

// How many characters may be typed into the address, user and password fields.
inline constexpr int kMailMaxLength = 256;
inline constexpr int kUserMaxLength = 128;
inline constexpr int kPasswordMaxLength = 128;

// The number added to a window's first help topic to give a control's own topic.
void SetHelpOffset(QWidget* control, int offset);
int HelpOffset(const QWidget* control);

// The list and the five text fields change colour with the focus.
bool IsColouredControl(const QWidget* control);
void SetFieldColour(QWidget* control, const QColor& colour);

// Blue, underlined, with the hand cursor.
void StyleAsLink(QWidget* label);

// The length limit is for typing: a longer stored value is shown whole, so that saving it
// again does not cut it.
void ShowWhole(QLineEdit* edit, const QString& text, int typingLimit);
// Empties the field and restores its typing limit.
void ClearWithLimit(QLineEdit* edit, int typingLimit);
