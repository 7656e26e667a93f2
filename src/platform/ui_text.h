#pragma once
// The one crossing between the core's byte strings and Qt's strings: UTF-8 both ways.

#include <QString>
#include <string>
#include <string_view>

QString ToQt(std::string_view text);
std::string FromQt(const QString& text);
