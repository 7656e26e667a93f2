#pragma once
// tarnwick-check --sign-in EMAIL: signing an OAuth2 account in from a terminal.

#include <iosfwd>
#include <string>

#include "net/interrupt.h"

// Signs in the account with that e-mail address: with the device code where its provider has a
// device address (prints the address to open and the code, then polls), otherwise through the
// browser (prints the address to open and waits for the redirect to 127.0.0.1). The refresh
// token is stored where the account keeps its secret. Returns 0 when it is stored, 1 after
// writing the reason to `err`.
int SignInFromTerminal(const std::string& email, std::ostream& out, std::ostream& err,
                       const InterruptSignal& interrupt);
