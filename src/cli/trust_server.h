#pragma once
// tarnwick-check --trust EMAIL [--yes]: trusting a server's certificate that fails
// verification, by its fingerprint, from the command line.

#include <iosfwd>
#include <string>

struct TrustOptions {
    bool yes = false;            // store without asking (scripts)
    bool interactive = false;    // `in` is a terminal: ask y/N
    std::istream* in = nullptr;  // the answer, when interactive
};

// Connects to the account with that e-mail address; when its certificate fails verification,
// prints the certificate's details and stores the pin (SSL_PIN) with --yes or after "y" on a
// terminal. Returns 0 when the pin was stored, 1 when not (declined, no terminal, no such
// account, or no certificate problem: the session's outcome is printed then).
int TrustServer(const std::string& email, const TrustOptions& options, std::ostream& out,
                std::ostream& err);
