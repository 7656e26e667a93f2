#include "widgets/form_style.h"

#include <QLineEdit>
#include <QVariant>
#include <QWidget>
#include <algorithm>

namespace {
constexpr const char* kHelpOffset = "helpOffset";
constexpr const char* kColoured = "focusColoured";
}  // namespace

void SetHelpOffset(QWidget* control, int offset) {
    control->setProperty(kHelpOffset, offset);
}

int HelpOffset(const QWidget* control) {
    return control->property(kHelpOffset).toInt();
}

bool IsColouredControl(const QWidget* control) {
    return control->property(kColoured).toBool();
}

void SetFieldColour(QWidget* control, const QColor& colour) {
    control->setProperty(kColoured, true);
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, colour);
    control->setPalette(palette);
}

void StyleAsLink(QWidget* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xFF));
    label->setPalette(palette);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
}

void ShowWhole(QLineEdit* edit, const QString& text, int typingLimit) {
    edit->setMaxLength(std::max(typingLimit, static_cast<int>(text.size())));
    edit->setText(text);
}

void ClearWithLimit(QLineEdit* edit, int typingLimit) {
    edit->clear();
    edit->setMaxLength(typingLimit);
}
