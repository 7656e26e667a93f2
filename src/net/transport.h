#pragma once
// A byte stream to a mail server. The POP3 client reads and writes only through this, so that
// a test can replay a conversation without a network, and TLS stays below the client.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "net/tls_check.h"
#include "settings/errors.h"

// A wait to send or receive passed its deadline; the connection is closed.
class TimedOut : public TarnwickError {
public:
    using TarnwickError::TarnwickError;
};

class Transport {
public:
    virtual ~Transport() = default;

    // Sends every byte or throws TarnwickError.
    virtual void Send(std::string_view data) = 0;
    // Waits for bytes and returns how many it stored (at least one), or 0 when the peer closed
    // the connection. Throws TarnwickError on a socket failure, TimedOut when the wait passes
    // its deadline.
    virtual std::size_t Receive(char* buffer, std::size_t size) = 0;
    // From now on a wait to send or receive gives up at `deadline` (the time-out of the reply
    // under way) instead of after the transport's own time-out without a byte.
    virtual void SetDeadline(std::chrono::steady_clock::time_point deadline) { (void)deadline; }
    // Waits until bytes can be read or `deadline` passes (false, the connection left open): an
    // idle session waiting for news from the server. By default at once true, so that the
    // read that follows does the waiting.
    virtual bool WaitReadable(std::chrono::steady_clock::time_point deadline) {
        (void)deadline;
        return true;
    }
    // Closes at once; later calls fail as on a closed connection.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Bytes that can be sent without blocking while the peer reads nothing: what pipelined
    // requests may keep in flight.
    virtual std::size_t SendRoom() const { return kDefaultSendRoom; }

    static constexpr std::size_t kDefaultSendRoom = 2048;
    // Starts TLS on the open connection (STARTTLS) and checks the server as `check` says.
    // Throws TarnwickError ("Error connecting with SSL." and the reason; CertificateError when
    // the certificate failed) after closing the connection.
    virtual void StartTls(const TlsCheck& check);
    // After a TLS handshake, its version and cipher and whether an earlier session was resumed
    // ("TLSv1.3 TLS_AES_256_GCM_SHA384, session resumed"); "" without TLS.
    virtual std::string TlsSummary() const { return {}; }
    // True when the TLS handshake resumed an earlier session with the server.
    virtual bool TlsResumed() const { return false; }
};
