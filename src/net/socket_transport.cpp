#include "net/socket_transport.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "net/connect_job.h"
#include "net/interrupt.h"
#include "net/tls_layer.h"
#include "settings/errors.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A TLS write to a socket the peer has closed must fail, not end the program.
void IgnoreBrokenPipe() {
    static const bool ignored = [] {
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

class SocketTransport final : public Transport {
public:
    SocketTransport(int fd, milliseconds readTimeout, const InterruptSignal* interrupt)
        : fd_(fd), readTimeout_(readTimeout), interrupt_(interrupt) {
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    }
    ~SocketTransport() override { Close(); }

    void StartTls(const TlsCheck& check) override {
        ThrowIfClosed();
        IgnoreBrokenPipe();
        const int on = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        verifyPeer_ = check.verifyPeer;
        host_ = check.host;
        try {
            ssl_ = NewTlsConnection(fd_, check, seen_);
            Handshake();
        } catch (const TarnwickError& error) {
            Close();
            ThrowHandshakeFailure(error.what());
        }
    }

    void Send(std::string_view data) override {
        while (!data.empty()) {
            const std::size_t sent = ssl_ ? SendTls(data) : SendPlain(data);
            data.remove_prefix(sent);
        }
    }

    std::size_t Receive(char* buffer, std::size_t size) override {
        for (;;) {
            ThrowIfClosed();
            ThrowIfInterrupted();
            const std::size_t received =
                ssl_ ? ReceiveTls(buffer, size) : ReceivePlain(buffer, size);
            if (received != kRetry) return received;
        }
    }

    void Close() override {
        if (fd_ < 0) return;
        // close_notify, without waiting for the server's: the server keeps the session for a
        // later connection to resume only after an orderly end.
        if (ssl_ && SSL_is_init_finished(ssl_.get()) == 1) SSL_shutdown(ssl_.get());
        ssl_.reset();
        ::close(fd_);
        fd_ = -1;
    }

    bool IsOpen() const override { return fd_ >= 0; }

    std::string TlsSummary() const override { return ssl_ ? TlsSummaryOf(ssl_.get()) : ""; }
    bool TlsResumed() const override { return ssl_ && SSL_session_reused(ssl_.get()) == 1; }

    // Half the send buffer: the kernel counts its own bookkeeping against the figure it
    // reports, and a TLS record adds a little to every write.
    std::size_t SendRoom() const override {
        int size = 0;
        socklen_t length = sizeof size;
        if (fd_ < 0 || ::getsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &size, &length) != 0 || size <= 0)
            return kDefaultSendRoom;
        return static_cast<std::size_t>(size) / 2;
    }

    void SetDeadline(Clock::time_point deadline) override { deadline_ = deadline; }

    bool WaitReadable(Clock::time_point deadline) override {
        ThrowIfClosed();
        ThrowIfInterrupted();
        if (ssl_ && SSL_pending(ssl_.get()) > 0) return true;
        for (;;) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            try {
                if (WaitReady(fd_, POLLIN, std::min<milliseconds>(left, kLongestPoll), interrupt_))
                    return true;
            } catch (const TarnwickError&) {
                Close();
                throw;
            }
        }
    }

private:
    static constexpr std::size_t kRetry = static_cast<std::size_t>(-1);
    static constexpr milliseconds kLongestPoll{std::chrono::hours(1)};  // fits poll()'s int

    // A failed socket is of no further use: it is closed before the failure travels on.
    [[noreturn]] void Fail(const std::string& message) {
        Close();
        throw TarnwickError(message);
    }

    void ThrowIfClosed() const {
        if (fd_ < 0) throw TarnwickError("Connection Closed Gracefully.");
    }

    // An interrupted session's connection is closed: the reply under way is lost with it.
    void ThrowIfInterrupted() {
        if (interrupt_ == nullptr || !interrupt_->Raised()) return;
        Close();
        throw Cancelled();
    }

    // Waits until the socket is ready; the deadline set by the reader or, without one, the
    // read time-out, and the interrupt end it.
    void WaitFor(short events) {
        const auto deadline = deadline_ ? *deadline_ : Clock::now() + readTimeout_;
        for (;;) {
            ThrowIfClosed();
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                Close();
                throw TimedOut(SocketErrorText(ETIMEDOUT));
            }
            bool ready = false;
            try {
                ready = WaitReady(fd_, events, left, interrupt_);
            } catch (const TarnwickError&) {
                Close();
                throw;
            }
            if (ready) return;
        }
    }

    // A certificate that failed verification is named by its fingerprint, so that the user
    // can compare it and trust it.
    [[noreturn]] void ThrowHandshakeFailure(const std::string& reason) {
        const std::string message = std::string("Error connecting with SSL.\r\n") + reason;
        if (!verifyFailed_ || !seen_.seen) throw TarnwickError(message);
        throw CertificateError(
            message + "\r\nCertificate fingerprint: " + seen_.certificate.fingerprint,
            {reason, seen_.certificate, host_});
    }

    // The whole handshake has the read time-out: a server sending a byte now and then cannot
    // hold it open.
    void Handshake() {
        deadline_ = Clock::now() + readTimeout_;
        for (;;) {
            const int result = SSL_connect(ssl_.get());
            if (result == 1) return;
            const int error = SSL_get_error(ssl_.get(), result);
            if (error == SSL_ERROR_WANT_READ)
                WaitFor(POLLIN);
            else if (error == SSL_ERROR_WANT_WRITE)
                WaitFor(POLLOUT);
            else {
                verifyFailed_ = verifyPeer_ && SSL_get_verify_result(ssl_.get()) != X509_V_OK;
                throw TarnwickError(TlsFailureReason(ssl_.get()));
            }
        }
    }

    std::size_t SendPlain(std::string_view data) {
        const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent >= 0) return static_cast<std::size_t>(sent);
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            WaitFor(POLLOUT);
            return 0;
        }
        if (errno == EINTR) return 0;
        Fail(SocketErrorText(errno));
    }

    std::size_t SendTls(std::string_view data) {
        ERR_clear_error();
        errno = 0;
        const int size = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 20));
        const int sent = SSL_write(ssl_.get(), data.data(), size);
        if (sent > 0) return static_cast<std::size_t>(sent);
        HandleTlsError(SSL_get_error(ssl_.get(), sent));
        return 0;
    }

    // Every received segment is acknowledged at once: a server that writes the replies of
    // commands sent together one by one (Courier) holds each back under Nagle's rule until the
    // last is acknowledged, which a delayed acknowledgement would put off by 40 ms a reply.
    void AcknowledgeAtOnce() {
        const int on = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    }

    std::size_t ReceivePlain(char* buffer, std::size_t size) {
        const ssize_t received = ::recv(fd_, buffer, size, 0);
        AcknowledgeAtOnce();
        if (received >= 0) return static_cast<std::size_t>(received);
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            WaitFor(POLLIN);
        else if (errno != EINTR)
            Fail(SocketErrorText(errno));
        return kRetry;
    }

    std::size_t ReceiveTls(char* buffer, std::size_t size) {
        ERR_clear_error();
        errno = 0;
        const int wanted = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
        const int received = SSL_read(ssl_.get(), buffer, wanted);
        AcknowledgeAtOnce();
        if (received > 0) return static_cast<std::size_t>(received);
        const int error = SSL_get_error(ssl_.get(), received);
        if (error == SSL_ERROR_ZERO_RETURN) return 0;
        if (error == SSL_ERROR_SYSCALL && errno == 0) return 0;
        HandleTlsError(error);
        return kRetry;
    }

    // Waits for what the TLS layer asks for, or throws its failure.
    void HandleTlsError(int error) {
        if (error == SSL_ERROR_WANT_READ) return WaitFor(POLLIN);
        if (error == SSL_ERROR_WANT_WRITE) return WaitFor(POLLOUT);
        if (error == SSL_ERROR_SYSCALL && errno != 0) Fail(SocketErrorText(errno));
        Fail(TlsErrorText());
    }

    int fd_;
    PeerCertificateSeen seen_;  // the handshake's verification refers to it
    bool verifyPeer_ = true;
    std::string host_;  // the name the handshake checks the certificate for
    bool verifyFailed_ = false;
    SslHandle ssl_;
    milliseconds readTimeout_;
    std::optional<Clock::time_point> deadline_;
    const InterruptSignal* interrupt_;
};

void EnableKeepAlive(int fd) {
    const int on = 1;
    const int idle = 60;      // seconds of silence before the first probe
    const int interval = 20;  // between probes
    const int probes = 3;     // unanswered, the connection fails
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

}  // namespace

void Transport::StartTls(const TlsCheck&) {
    Close();
    throw TarnwickError("Error connecting with SSL.");
}

ConnectOptions ServerEndpoint::Options(const InterruptSignal* interrupt) const {
    ConnectOptions options;
    options.host = host;
    options.port = port;
    options.tls = useTls;
    options.verifyPeer = verifyPeer;
    options.pin = pin;
    options.connectTimeout = ConnectTimeLeft(endBy, connectTimeout);
    options.readTimeout = readTimeout;
    options.interrupt = interrupt;
    options.keepAlive = keepAlive;
    return options;
}

milliseconds ConnectTimeLeft(const std::optional<std::chrono::steady_clock::time_point>& endBy,
                             milliseconds connectTimeout) {
    if (!endBy) return connectTimeout;
    const auto left =
        std::chrono::duration_cast<milliseconds>(*endBy - std::chrono::steady_clock::now());
    return std::clamp(left, milliseconds(1), connectTimeout);
}

milliseconds DefaultReadTimeout() {
    if (const char* text = std::getenv("TARNWICK_READ_TIMEOUT_MS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        // Held to what a wait can take: poll() counts in int milliseconds, and the deadline
        // must not overflow the clock.
        if (end != text && *end == '\0' && value > 0)
            return milliseconds(std::min<long>(value, std::numeric_limits<int>::max()));
    }
    return milliseconds(60000);
}

std::unique_ptr<Transport> ConnectSocket(const ConnectOptions& options) {
    const int fd = ConnectTcp(options);
    if (options.keepAlive) EnableKeepAlive(fd);
    auto transport = std::make_unique<SocketTransport>(fd, options.readTimeout, options.interrupt);
    if (options.tls) transport->StartTls({options.host, options.verifyPeer, options.pin});
    return transport;
}
