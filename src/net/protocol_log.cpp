#include "net/protocol_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "settings/text_utils.h"

namespace {

std::string_view FirstWord(std::string_view line) {
    return line.substr(0, line.find(' '));
}

// The rest of the line after its first word and the blanks behind it.
std::size_t AfterWord(std::string_view line, std::size_t from) {
    std::size_t at = line.find(' ', from);
    if (at == std::string_view::npos) return line.size();
    while (at < line.size() && line[at] == ' ') ++at;
    return at;
}

bool IsContinuation(std::string_view line) {
    return line == "+" || line.substr(0, 2) == "+ ";
}

bool IsAnyOf(std::string_view word, std::initializer_list<std::string_view> names) {
    for (std::string_view name : names)
        if (SameTextAscii(word, name)) return true;
    return false;
}

// A SASL command ("AUTH mech payload", "tag AUTHENTICATE mech payload") with the payload hidden;
// `mechanismAt` is where the mechanism's name starts.
std::string HideSaslPayload(std::string_view line, std::size_t mechanismAt) {
    const std::size_t payloadAt = AfterWord(line, mechanismAt);
    if (payloadAt >= line.size()) return std::string(line);
    return std::string(line.substr(0, payloadAt)) + DialogueMask::kHidden;
}

// The size in a literal's announcement "{12}" or "{12+}".
std::size_t LiteralSize(std::string_view token) {
    std::size_t size = 0;
    for (std::size_t i = 1; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i)
        size =
            std::min<std::size_t>(size * 10 + static_cast<std::size_t>(token[i] - '0'), 1u << 30);
    return size;
}

// The end of the IMAP string argument that starts at `at`: a quoted string, a literal's
// announcement or an atom.
std::size_t ArgumentEnd(std::string_view line, std::size_t at) {
    if (line[at] == '"') {
        std::size_t end = at + 1;
        while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
        return std::min(end + 1, line.size());
    }
    const std::size_t end = line.find(line[at] == '{' ? '}' : ' ', at);
    if (end == std::string_view::npos) return line.size();
    return line[at] == '{' ? end + 1 : end;
}

}  // namespace

std::string DialogueMask::Client(std::string_view line) {
    if (literalLeft_ > 0) return ContinueLogin(line);
    // A SASL response is one base64 word (or "*" to cancel); a line with a blank is a command
    // sent behind the exchange.
    if (sasl_ && line.find(' ') == std::string_view::npos) return kHidden;
    return ClientCommand(line);
}

std::string DialogueMask::ClientCommand(std::string_view line) {
    const std::string_view first = FirstWord(line);
    if (IsAnyOf(first, {"USER", "PASS", "APOP", "STAT", "LIST", "UIDL", "TOP", "RETR", "DELE",
                        "NOOP", "RSET", "QUIT", "CAPA", "STLS", "AUTH"})) {
        const bool argument = AfterWord(line, 0) < line.size();
        if (IsAnyOf(first, {"TOP", "RETR"}))
            pop3Pending_.push_back(Pop3Reply::Message);
        else if (SameTextAscii(first, "CAPA") || (IsAnyOf(first, {"LIST", "UIDL"}) && !argument))
            pop3Pending_.push_back(Pop3Reply::Multi);
        else
            pop3Pending_.push_back(Pop3Reply::Single);
        if (SameTextAscii(first, "PASS")) return "PASS " + std::string(kHidden);
        if (SameTextAscii(first, "APOP")) return HideSaslPayload(line, AfterWord(line, 0));
        if (SameTextAscii(first, "AUTH")) {
            sasl_ = argument;
            return HideSaslPayload(line, AfterWord(line, 0));
        }
        return std::string(line);
    }
    const std::size_t commandAt = AfterWord(line, 0);
    const std::string_view command = FirstWord(line.substr(commandAt));
    if (SameTextAscii(command, "LOGIN")) {
        loginNext_ = LoginArgument::User;
        return ImapLogin(line, AfterWord(line, commandAt));
    }
    if (SameTextAscii(command, "AUTHENTICATE")) {
        sasl_ = true;
        return HideSaslPayload(line, AfterWord(line, commandAt));
    }
    return std::string(line);
}

// LOGIN's arguments from `at` on, the password hidden; a literal's bytes come on the next line.
std::string DialogueMask::ImapLogin(std::string_view line, std::size_t at) {
    std::string shown(line.substr(0, at));
    while (loginNext_ != LoginArgument::None && at < line.size()) {
        if (line[at] == ' ') {
            shown += line[at++];
            continue;
        }
        const std::size_t end = ArgumentEnd(line, at);
        const std::string_view argument = line.substr(at, end - at);
        const bool password = loginNext_ == LoginArgument::Password;
        loginNext_ = password ? LoginArgument::None : LoginArgument::Password;
        at = end;
        if (argument[0] == '{') {
            shown += argument;
            literalLeft_ = LiteralSize(argument);
            literalIsPassword_ = password;
            break;
        }
        shown += password ? std::string_view(kHidden) : argument;
    }
    return shown + std::string(line.substr(at));
}

std::string DialogueMask::ContinueLogin(std::string_view line) {
    const std::size_t taken = std::min(literalLeft_, line.size());
    literalLeft_ -= taken;
    std::string shown = literalIsPassword_ ? kHidden : std::string(line.substr(0, taken));
    if (literalLeft_ > 0) {
        literalLeft_ -= std::min<std::size_t>(literalLeft_, 2);  // the line end inside it
        return shown;
    }
    return shown + ImapLogin(line.substr(taken), 0);
}

std::optional<std::string> DialogueMask::Server(std::string_view line) {
    if (inMessage_) return MessageLine(line);
    if (sasl_ && !IsContinuation(line) && line.substr(0, 1) != "*") sasl_ = false;
    const bool ok = line.substr(0, 3) == "+OK";
    if ((ok || line.substr(0, 4) == "-ERR") && !pop3Pending_.empty()) {
        const Pop3Reply reply = pop3Pending_.front();
        pop3Pending_.pop_front();
        if (ok && reply != Pop3Reply::Single) {
            inMessage_ = true;
            messageExpected_ = reply == Pop3Reply::Message;
            firstLine_.clear();
            messageBytes_ = 0;
        }
    }
    return std::string(line);
}

// Lines of a multi-line POP3 reply: a listing as it is, a message as its first line and size.
std::optional<std::string> DialogueMask::MessageLine(std::string_view line) {
    if (line == ".") {
        inMessage_ = false;
        if (!messageExpected_) return std::string(line);
        return firstLine_ + " ... (" + std::to_string(messageBytes_) + " bytes)";
    }
    if (!messageExpected_) return std::string(line);
    if (messageBytes_ == 0) firstLine_ = line;
    messageBytes_ += line.size() + 2;
    return std::nullopt;
}

std::string DialogueMask::Literal(std::string_view bytes) {
    std::string_view first = bytes.substr(0, bytes.find('\n'));
    if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
    return std::string(first) + " ... (" + std::to_string(bytes.size()) + " bytes)";
}

namespace protocol_log {
namespace {

struct Sink {
    std::mutex mutex;
    bool standardError = false;
    int fd = -1;

    Sink() {
        const char* path = std::getenv("TARNWICK_LOG");
        if (path != nullptr && *path != '\0')
            fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    }
};

Sink& TheSink() {
    static Sink sink;
    return sink;
}

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written <= 0) return;  // a log that cannot be written is not worth a failed check
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string TimeNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    std::tm parts{};
    localtime_r(&seconds, &parts);
    std::array<char, 32> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%H:%M:%S", &parts);
    const auto millis = static_cast<int>(ms.count() % 1000);
    return std::string(text.data(), length) + "." + std::to_string(1000 + millis).substr(1);
}

}  // namespace

bool Enabled() {
    Sink& sink = TheSink();
    const std::lock_guard lock(sink.mutex);
    return sink.standardError || sink.fd >= 0;
}

void WriteToStandardError() {
    Sink& sink = TheSink();
    const std::lock_guard lock(sink.mutex);
    sink.standardError = true;
}

void Write(std::string_view account, std::string_view marker, std::string_view text) {
    std::string line = TimeNow();
    line.append(" ").append(account).append(" ").append(marker).append(" ").append(text);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += '\n';
    Sink& sink = TheSink();
    const std::lock_guard lock(sink.mutex);
    if (sink.standardError) WriteAll(STDERR_FILENO, line);
    if (sink.fd >= 0) WriteAll(sink.fd, line);
}

}  // namespace protocol_log
