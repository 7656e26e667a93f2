#pragma once
// The one crossing between the core's byte strings and Qt's strings: UTF-8 both ways.

#include <QString>
#include <string>
#include <string_view>

QString ToQt(std::string_view text);
std::string FromQt(const QString& text);

// A hint that shows `text` as it is. Qt reads a hint that looks like markup as rich text, so
// such a text (a server's error text, say) is escaped into rich text that shows it literally.
QString LiteralToolTip(const QString& text);
