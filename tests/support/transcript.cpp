#include "support/transcript.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "settings/errors.h"
#include "settings/text_utils.h"

struct Transcript::State {
    std::vector<ScriptStep> steps;
    std::size_t piece = 0;
    std::size_t next = 0;
    std::string pendingClientBytes;
    std::vector<std::string> clientLines;
    std::vector<std::string> flights;
    std::string problems;

    void TakeClientLine(const std::string& line) {
        clientLines.push_back(line);
        if (next < steps.size() && steps[next].fromClient && steps[next].text == line) {
            ++next;
            return;
        }
        const std::string expected = next < steps.size() && steps[next].fromClient
                                         ? "\"" + steps[next].text + "\""
                                         : "nothing";
        problems += "client sent \"" + line + "\", expected " + expected + "\n";
    }

    std::string ServerBytes() {
        std::string bytes;
        while (next < steps.size() && !steps[next].fromClient) bytes += steps[next++].text;
        return bytes;
    }
};

namespace {

std::string ServerText(std::string_view rest) {
    if (!rest.empty() && rest[0] == '<' && rest.substr(0, 5) == "<raw>")
        return ReplaceAll(rest.substr(5), "<crlf>", "\r\n");
    if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
    return ReplaceAll(rest, "<crlf>", "\r\n") + "\r\n";
}

class FakeTransport final : public Transport {
public:
    explicit FakeTransport(std::shared_ptr<Transcript::State> state) : state_(std::move(state)) {}

    void Send(std::string_view data) override {
        if (!open_) throw TarnwickError("Connection Closed Gracefully.");
        state_->flights.push_back(ReplaceAll(data, "\r\n", "\n"));
        state_->pendingClientBytes += data;
        std::size_t lf;
        while ((lf = state_->pendingClientBytes.find("\r\n")) != std::string::npos) {
            state_->TakeClientLine(state_->pendingClientBytes.substr(0, lf));
            state_->pendingClientBytes.erase(0, lf + 2);
        }
    }

    std::size_t Receive(char* buffer, std::size_t size) override {
        if (!open_) throw TarnwickError("Connection Closed Gracefully.");
        if (unread_.empty()) unread_ = state_->ServerBytes();
        if (unread_.empty()) {
            if (state_->next < state_->steps.size())
                state_->problems += "client waits for a reply while the script expects \"" +
                                    state_->steps[state_->next].text + "\"\n";
            return 0;
        }
        std::size_t n = std::min(size, unread_.size());
        if (state_->piece > 0) n = std::min(n, state_->piece);
        std::memcpy(buffer, unread_.data(), n);
        unread_.erase(0, n);
        return n;
    }

    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

    // The handshake is the script step "C: <tls handshake>"; the conversation then goes on
    // as if encrypted. Bytes the client has not taken yet would be plain text injected
    // before the handshake.
    void StartTls(const TlsCheck&) override {
        if (!open_) throw TarnwickError("Connection Closed Gracefully.");
        if (!unread_.empty())
            state_->problems += "TLS started with unread bytes \"" + unread_ + "\"\n";
        state_->TakeClientLine(kTlsHandshake);
    }

private:
    std::shared_ptr<Transcript::State> state_;
    std::string unread_;
    bool open_ = true;
};

}  // namespace

std::vector<ScriptStep> ParseScript(std::string_view script) {
    std::vector<ScriptStep> steps;
    std::size_t pos = 0;
    while (pos <= script.size()) {
        std::size_t end = script.find('\n', pos);
        if (end == std::string_view::npos) end = script.size();
        const std::string line = Trim(script.substr(pos, end - pos));
        pos = end + 1;
        int ms = 0;
        int textAt = 0;
        if (line == "S:<silence>")
            steps.push_back({false, "", true});
        else if (std::sscanf(line.c_str(), "S:<pause %d>", &ms) == 1)
            steps.push_back({false, "", false, ms});
        else if (std::sscanf(line.c_str(), "S:<trickle %d>%n", &ms, &textAt) == 1 && textAt > 0)
            steps.push_back(
                {false, ReplaceAll(line.substr(static_cast<std::size_t>(textAt)), "<crlf>", "\r\n"),
                 false, 0, ms});
        else if (line.rfind("C:", 0) == 0)
            steps.push_back({true, Trim(std::string_view(line).substr(2))});
        else if (line.rfind("S:", 0) == 0)
            steps.push_back({false, ServerText(std::string_view(line).substr(2))});
    }
    return steps;
}

Transcript::Transcript(std::string_view script, std::size_t piece)
    : state_(std::make_shared<State>()) {
    state_->steps = ParseScript(script);
    state_->piece = piece;
}

Pop3Client::Connector Transcript::Connector() {
    return [state = state_](Pop3Client&) { return std::make_unique<FakeTransport>(state); };
}

std::function<std::unique_ptr<Transport>()> Transcript::TransportConnector() {
    return [state = state_] { return std::make_unique<FakeTransport>(state); };
}

std::string Transcript::Problems() const {
    std::string problems = state_->problems;
    for (std::size_t i = state_->next; i < state_->steps.size(); ++i)
        if (state_->steps[i].fromClient)
            problems += "client never sent \"" + state_->steps[i].text + "\"\n";
    return problems;
}

std::vector<std::string> Transcript::ClientLines() const {
    return state_->clientLines;
}

std::vector<std::string> Transcript::Flights() const {
    return state_->flights;
}
