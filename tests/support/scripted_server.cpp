#include "support/scripted_server.h"

#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <stdexcept>

using Clock = std::chrono::steady_clock;

// One accepted connection, plain or TLS, read with short time-outs so that the server can
// notice that it is being stopped.
class ScriptedServer::Peer {
public:
    Peer(int fd, SSL_CTX* context, const std::atomic<bool>& stopping)
        : fd_(fd), stopping_(stopping) {
        timeval slice{0, 100000};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &slice, sizeof slice);
        if (context != nullptr) {
            ssl_ = SSL_new(context);
            SSL_set_fd(ssl_, fd_);
            ok_ = Handshake();
        }
    }
    ~Peer() {
        if (ssl_ != nullptr) SSL_free(ssl_);
        ::close(fd_);
    }

    bool Ok() const { return ok_; }

    void Send(const std::string& data) {
        if (ssl_ != nullptr)
            SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
        else
            ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    }

    // The next line without CR LF; false when the client closed or nothing came for 10 s.
    bool ReadLine(std::string& line) {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        for (;;) {
            const auto lf = input_.find('\n');
            if (lf != std::string::npos) {
                line = input_.substr(0, lf > 0 && input_[lf - 1] == '\r' ? lf - 1 : lf);
                input_.erase(0, lf + 1);
                return true;
            }
            if (!Receive() || Clock::now() > deadline) return false;
        }
    }

    // Sends `piece` every `every` until the client closes the connection (at most 70 s).
    void Trickle(const std::string& piece, std::chrono::milliseconds every) {
        const auto deadline = Clock::now() + std::chrono::seconds(70);
        while (!stopping_ && Clock::now() < deadline) {
            Send(piece);
            pollfd request{fd_, POLLIN, 0};
            if (::poll(&request, 1, static_cast<int>(every.count())) > 0) {
                if (!Receive()) return;
                input_.clear();
            }
        }
    }

    // Waits until the client closes the connection (at most 70 s).
    void WaitUntilClosed() {
        const auto deadline = Clock::now() + std::chrono::seconds(70);
        while (Receive() && Clock::now() < deadline) input_.clear();
    }

private:
    bool Handshake() {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!stopping_ && Clock::now() < deadline) {
            const int result = SSL_accept(ssl_);
            if (result == 1) return true;
            if (SSL_get_error(ssl_, result) != SSL_ERROR_WANT_READ) return false;
        }
        return false;
    }

    // False when the client closed or the server is stopping; true after a time-out slice.
    bool Receive() {
        if (stopping_) return false;
        char buffer[4096];
        if (ssl_ != nullptr) {
            const int n = SSL_read(ssl_, buffer, sizeof buffer);
            if (n > 0) input_.append(buffer, static_cast<std::size_t>(n));
            return n > 0 || SSL_get_error(ssl_, n) == SSL_ERROR_WANT_READ;
        }
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) input_.append(buffer, static_cast<std::size_t>(n));
        return n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR));
    }

    int fd_;
    SSL* ssl_ = nullptr;
    bool ok_ = true;
    const std::atomic<bool>& stopping_;
    std::string input_;
};

namespace {

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("the scripted server cannot listen");
    port = ntohs(address.sin_port);
    return fd;
}

SSL_CTX* ServerContext(const std::string& certFile, const std::string& keyFile) {
    if (certFile.empty()) return nullptr;
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (SSL_CTX_use_certificate_chain_file(context, certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(context);
        throw std::runtime_error("the scripted server cannot load " + certFile);
    }
    return context;
}

}  // namespace

ScriptedServer::ScriptedServer(std::string_view script, std::string certFile, std::string keyFile)
    : steps_(ParseScript(script)), certFile_(std::move(certFile)), keyFile_(std::move(keyFile)) {
    std::signal(SIGPIPE, SIG_IGN);
    listener_ = ListenOnLoopback(port_);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

std::string ScriptedServer::Problems() const {
    std::lock_guard lock(mutex_);
    return problems_;
}

void ScriptedServer::Serve() {
    SSL_CTX* context = ServerContext(certFile_, keyFile_);
    while (!stopping_) {
        pollfd request{listener_, POLLIN, 0};
        if (::poll(&request, 1, 100) <= 0) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++connections_;
        Peer peer(fd, context, stopping_);
        if (peer.Ok()) Play(peer);
    }
    if (context != nullptr) SSL_CTX_free(context);
}

void ScriptedServer::Play(Peer& peer) {
    for (const ScriptStep& step : steps_) {
        if (step.silence) return peer.WaitUntilClosed();
        if (step.trickleMs > 0)
            return peer.Trickle(step.text, std::chrono::milliseconds(step.trickleMs));
        if (step.pauseMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
            continue;
        }
        if (!step.fromClient) {
            peer.Send(step.text);
            continue;
        }
        std::string line;
        const bool received = peer.ReadLine(line);
        if (received && line == step.text) continue;
        std::lock_guard lock(mutex_);
        problems_ += received ? "client sent \"" + line + "\", expected \"" + step.text + "\"\n"
                              : "client left before sending \"" + step.text + "\"\n";
        if (!received) return;
    }
}
