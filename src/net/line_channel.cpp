#include "net/line_channel.h"

#include <algorithm>
#include <vector>

#include "net/interrupt.h"
#include "settings/errors.h"

namespace {

constexpr std::size_t kReceiveChunk = 64 * 1024;
constexpr std::size_t kKilobyte = 1024;

}  // namespace

void LineChannel::Attach(std::unique_ptr<Transport> transport) {
    transport_ = std::move(transport);
    input_.clear();
    start_ = 0;
    output_.clear();
    dataExtends_ = false;
    awaited_.clear();
    flightStarts_ = true;
    logging_ = protocol_log::Enabled();
    mask_ = {};
    LogTls();
}

void LineChannel::LogTls() {
    if (!logging_ || !transport_) return;
    const std::string summary = transport_->TlsSummary();
    if (!summary.empty()) protocol_log::Write(logName_, "--", summary);
}

void LineChannel::LogServer(std::string_view line) {
    if (!logging_) return;
    if (const auto shown = mask_.Server(line)) protocol_log::Write(logName_, "S:", *shown);
}

void LineChannel::Close() {
    if (transport_) transport_->Close();
    input_.clear();
    start_ = 0;
    output_.clear();
}

void LineChannel::SendLine(std::string_view line) {
    QueueLine(line);
    Flush();
}

void LineChannel::QueueLine(std::string_view line) {
    if (!IsOpen()) throw TarnwickError("Not Connected.");
    // The first line of a flight is kept, masked, for a time-out to name; without the log no
    // other line needs the mask.
    if (logging_ || flightStarts_) {
        std::string shown = mask_.Client(line);
        if (logging_) protocol_log::Write(logName_, "C:", shown);
        if (flightStarts_) awaited_ = std::move(shown);
    }
    flightStarts_ = false;
    output_.append(line).append("\r\n");
}

void LineChannel::ThrowIfInterrupted() {
    if (interrupt_ == nullptr || !interrupt_->Raised()) return;
    const bool wasOpen = IsOpen();
    Close();
    if (wasOpen && onClosed) onClosed();
    throw Cancelled();
}

void LineChannel::Flush() {
    if (output_.empty()) return;
    if (!IsOpen()) throw TarnwickError("Not Connected.");
    std::string data;
    data.swap(output_);
    flightStarts_ = true;
    try {
        transport_->Send(data);
    } catch (...) {
        if (!IsOpen() && onClosed) onClosed();
        throw;
    }
}

std::string LineChannel::ReadLine() {
    ThrowIfInterrupted();     // also within a reply already received
    std::size_t scanned = 0;  // bytes from start_ on that hold no LF; Fill moves start_
    for (;;) {
        const std::size_t lf = input_.find('\n', start_ + scanned);
        if (lf != std::string::npos) {
            std::size_t end = lf;
            if (end > start_ && input_[end - 1] == '\r') --end;
            if (end - start_ > kMaxLineLength) throw TarnwickError("Max line length exceeded.");
            std::string line = input_.substr(start_, end - start_);
            Consume(lf + 1 - start_);
            LogServer(line);
            return line;
        }
        // One more byte than the longest line may be its CR.
        if (input_.size() - start_ > kMaxLineLength + 1)
            throw TarnwickError("Max line length exceeded.");
        scanned = input_.size() - start_;
        Fill();
    }
}

std::string LineChannel::ReadBytes(std::size_t size) {
    std::string bytes;  // grows as data arrives, never by what a peer claims it will send
    while (bytes.size() < size) {
        if (start_ == input_.size()) {
            Fill();
            continue;
        }
        const std::size_t take = std::min(size - bytes.size(), input_.size() - start_);
        bytes.append(input_, start_, take);
        Consume(take);
    }
    if (logging_) protocol_log::Write(logName_, "S:", DialogueMask::Literal(bytes));
    return bytes;
}

bool LineChannel::WaitForInput(Clock::time_point until) {
    ThrowIfInterrupted();
    if (HasUnreadInput()) return true;
    if (!IsOpen()) throw TarnwickError("Connection Closed Gracefully.");
    Flush();
    try {
        return transport_->WaitReadable(limit_ ? std::min(until, *limit_) : until);
    } catch (...) {
        if (!IsOpen() && onClosed) onClosed();
        throw;
    }
}

void LineChannel::StartDeadline(std::chrono::milliseconds timeout) {
    dataExtends_ = false;
    credit_ = 0;
    const Clock::time_point now = Clock::now();
    ceiling_ = now + longestReply_;
    started_ = now;
    cutByLimit_ = limit_ && *limit_ < now + timeout;
    ApplyDeadline(now + timeout);
}

namespace {

// "60 s" (whole seconds from a second on), "300 ms" (to a tenth of a second below it).
std::string Duration(std::chrono::milliseconds waited) {
    const long long ms = waited.count();
    if (ms >= 1000) return std::to_string((ms + 500) / 1000) + " s";
    return std::to_string((ms + 50) / 100 * 100) + " ms";
}

// The command's name in a line as the log shows it ("UID FETCH" of "a5 UID FETCH 1:* (...)"):
// none for what is no command (a masked SASL response, a literal).
std::string CommandName(std::string_view line, bool tagged) {
    std::vector<std::string_view> words;
    while (words.size() < 3 && !line.empty()) {
        const std::size_t space = line.find(' ');
        words.push_back(line.substr(0, space));
        line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
    }
    const std::size_t at = tagged && words.size() > 1 ? 1 : 0;
    if (words.size() <= at) return {};
    const auto isName = [](std::string_view word) {
        return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        });
    };
    if (!isName(words[at])) return {};
    std::string name(words[at]);
    for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (name == "UID" && words.size() > at + 1 && isName(words[at + 1]))
        name += " " + std::string(words[at + 1]);
    return name;
}

}  // namespace

void LineChannel::ThrowTimedOut() {
    const std::string command = CommandName(awaited_, tagged_);
    const std::string when =
        cutByLimit_ ? " before the check's time ran out"
                    : " within " + Duration(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       Clock::now() - started_));
    const std::string text = awaited_.empty()  ? "The server sent no greeting" + when
                             : command.empty() ? "The server did not answer" + when
                                               : "The server did not answer " + command + when;
    if (logging_) protocol_log::Write(logName_, "--", text);
    throw TimedOut(text);
}

void LineChannel::ExtendDeadlineWithData() {
    dataExtends_ = true;
    credit_ = 0;
}

void LineChannel::ApplyDeadline(Clock::time_point deadline) {
    deadline_ = limit_ ? std::min(deadline, *limit_) : deadline;
    if (transport_) transport_->SetDeadline(deadline_);
}

void LineChannel::Credit(std::size_t received) {
    if (!dataExtends_) return;
    credit_ += received;
    if (credit_ < kKilobyte) return;
    const auto kilobytes = static_cast<int>(std::min<std::size_t>(credit_ / kKilobyte, 1 << 20));
    credit_ %= kKilobyte;
    ApplyDeadline(std::min(deadline_ + kTimePerKilobyte * kilobytes, ceiling_));
}

void LineChannel::StartTls(const TlsCheck& check) {
    if (!IsOpen()) throw TarnwickError("Not Connected.");
    try {
        if (start_ < input_.size()) {
            Close();
            throw TarnwickError(
                "Error connecting with SSL.\r\nThe server sent data before the TLS handshake.");
        }
        transport_->StartTls(check);
        LogTls();
    } catch (...) {
        if (!IsOpen() && onClosed) onClosed();
        throw;
    }
}

void LineChannel::BeginCount(std::function<void(std::size_t)> onRead) {
    onRead_ = std::move(onRead);
    counted_ = 0;
}

void LineChannel::EndCount() {
    onRead_ = nullptr;
}

void LineChannel::Fill() {
    if (!IsOpen()) throw TarnwickError("Connection Closed Gracefully.");
    ThrowIfInterrupted();
    Flush();  // a reply may wait for what is still queued
    if (start_ > 0) {
        input_.erase(0, start_);
        start_ = 0;
    }
    // Received into a buffer of its own: growing input_ by a whole chunk would clear 64 KiB
    // for every read, however few bytes it brings.
    if (!chunk_) chunk_ = std::make_unique<char[]>(kReceiveChunk);
    std::size_t received = 0;
    try {
        received = transport_->Receive(chunk_.get(), kReceiveChunk);
    } catch (const TimedOut&) {
        if (onClosed) onClosed();
        ThrowTimedOut();
    } catch (...) {
        if (!IsOpen() && onClosed) onClosed();
        throw;
    }
    input_.append(chunk_.get(), received);
    if (received == 0) {
        if (onClosed) onClosed();
        throw TarnwickError("Connection Closed Gracefully.");
    }
    Credit(received);
}

void LineChannel::Consume(std::size_t bytes) {
    start_ += bytes;
    if (start_ == input_.size()) {
        input_.clear();
        start_ = 0;
    }
    if (onRead_) {
        counted_ += bytes;
        onRead_(counted_);
    }
}
