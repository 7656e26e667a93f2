#pragma once
// Failures travel as exceptions whose message is the text the user sees.

#include <stdexcept>

class TarnwickError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The server's replies no longer belong to the requests they are read for: a reply of strict
// form did not parse, data came that nothing asked for, or an answer does not add up. The
// session is closed.
class RepliesOutOfStep : public TarnwickError {
public:
    RepliesOutOfStep() : TarnwickError("The server's replies are out of step.") {}
};
