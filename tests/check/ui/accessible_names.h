#pragma once
// What a screen reader hears as the name of a control (through Qt's accessibility layer).

#include <QAccessible>
#include <QWidget>
#include <string>

inline std::string AccessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face != nullptr ? face->text(QAccessible::Name).toStdString() : std::string();
}
