#pragma once
// Failures travel as exceptions whose message is the text the user sees.

#include <stdexcept>

class TarnwickError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
