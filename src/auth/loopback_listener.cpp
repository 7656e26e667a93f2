#include "auth/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "settings/errors.h"
#include "settings/scope_guard.h"

namespace {

constexpr std::size_t kMaxRequestBytes = 16384;
constexpr std::chrono::seconds kRequestTime{5};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
                   HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The request head (up to the empty line) from a fresh connection, or "" when it did not come
// in time or was too long.
std::string ReadRequestHead(int fd) {
    std::string head;
    const auto until = std::chrono::steady_clock::now() + kRequestTime;
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestBytes) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return {};
        char buffer[2048];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return {};
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

void Answer(int fd, std::string_view status, const std::string& body) {
    const std::string reply = "HTTP/1.1 " + std::string(status) +
                              "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    std::size_t sent = 0;
    while (sent < reply.size()) {
        const ssize_t n = ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

// The target of "GET <target> HTTP/1.1".
std::string_view RequestTarget(std::string_view head) {
    if (!head.starts_with("GET ")) return {};
    head.remove_prefix(4);
    return head.substr(0, head.find(' '));
}

}  // namespace

std::map<std::string, std::string> QueryParameters(std::string_view target) {
    std::map<std::string, std::string> parameters;
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos) return parameters;
    std::string_view query = target.substr(question + 1);
    query = query.substr(0, query.find('#'));
    while (!query.empty()) {
        const std::string_view part = query.substr(0, query.find('&'));
        query.remove_prefix(std::min(query.size(), part.size() + 1));
        const std::size_t equals = part.find('=');
        const std::string name = PercentDecode(part.substr(0, equals));
        if (name.empty()) continue;
        parameters.emplace(name, equals == std::string_view::npos
                                     ? std::string()
                                     : PercentDecode(part.substr(equals + 1)));
    }
    return parameters;
}

LoopbackListener::LoopbackListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw TarnwickError("No socket for the sign-in: " + std::string(strerror(errno)));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const std::string reason = strerror(errno);
        ::close(fd_);
        throw TarnwickError("The sign-in could not listen on 127.0.0.1: " + reason);
    }
    port_ = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() {
    ::close(fd_);
}

std::string LoopbackListener::RedirectUri() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::map<std::string, std::string> LoopbackListener::WaitForRedirect(
    const std::string& state, const std::string& page, std::chrono::steady_clock::time_point until,
    const InterruptSignal& interrupt) {
    for (;;) {
        switch (interrupt.WaitUntil(until, fd_)) {
            case InterruptSignal::Wake::Raised:
                throw Cancelled();
            case InterruptSignal::Wake::Time:
                throw TarnwickError("The sign-in was not finished in the browser in time.");
            case InterruptSignal::Wake::Readable:
                break;
        }
        const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const ScopeGuard closeClient([client] { ::close(client); });
        const auto parameters = QueryParameters(RequestTarget(ReadRequestHead(client)));
        const auto given = parameters.find("state");
        if (given == parameters.end() || given->second != state) {
            Answer(client, "400 Bad Request", "");
            continue;
        }
        Answer(client, "200 OK", page);
        return parameters;
    }
}
