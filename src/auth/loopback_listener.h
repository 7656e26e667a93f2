#pragma once
// The redirect end of the browser sign-in: a listener on 127.0.0.1 (never another address) at a
// free port, which takes exactly one request carrying the expected state, answers it with a
// short page and closes. Other requests get "400 Bad Request" and the wait goes on.

#include <chrono>
#include <map>
#include <string>
#include <string_view>

#include "net/interrupt.h"

// The query parameters of a request line's target ("/?code=x&state=y"), percent-decoded.
std::map<std::string, std::string> QueryParameters(std::string_view target);

class LoopbackListener {
public:
    // Binds and listens; throws TarnwickError when it cannot.
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>/"
    std::string RedirectUri() const;

    // Waits until `until` for the request whose state is `state`, answers it with `page` (an
    // HTML body) and returns its parameters. Throws TarnwickError when the time runs out and
    // Cancelled when `interrupt` is raised.
    std::map<std::string, std::string> WaitForRedirect(const std::string& state,
                                                       const std::string& page,
                                                       std::chrono::steady_clock::time_point until,
                                                       const InterruptSignal& interrupt);

private:
    int fd_ = -1;
    int port_ = 0;
};
