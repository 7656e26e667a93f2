#include "net/line_channel.h"

#include <algorithm>

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
    if (logging_) protocol_log::Write(logName_, "C:", mask_.Client(line));
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
    ApplyDeadline(now + timeout);
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
