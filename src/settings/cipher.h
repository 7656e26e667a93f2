#pragma once
// The fixed-key text cipher of stored passwords and language texts.

#include <string>
#include <string_view>

std::string EncipherText(std::string_view plain);
std::string DecipherText(std::string_view stored);
