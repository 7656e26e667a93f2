#pragma once
// The one crossing between the core's byte strings and Qt's strings: UTF-8 both ways; and the
// helpers every window is built with.

#include <QString>
#include <string>
#include <string_view>

QString ToQt(std::string_view text);
std::string FromQt(const QString& text);

// A hint that shows `text` as it is. Qt reads a hint that looks like markup as rich text, so
// such a text (a server's error text, say) is escaped into rich text that shows it literally.
QString LiteralToolTip(const QString& text);

// The translated text of a language key.
QString Text(const char* key);

// Names a control (tests and the stored layouts find it by that name).
template <typename Control>
Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}
