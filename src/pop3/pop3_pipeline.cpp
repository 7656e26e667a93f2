// The parts of Pop3Client that send requests ahead of their replies: capabilities, all sizes in
// one request, and the queue of pending replies.
#include <algorithm>
#include <charconv>

#include "pop3/pop3_client.h"
#include "settings/errors.h"
#include "settings/text_utils.h"

namespace {

// The longest request that is queued: "TOP 2147483647 0" and CR LF.
constexpr std::size_t kLongestRequest = 18;

std::optional<int> LeadingNumber(std::string_view line) {
    int value = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error != std::errc() || end == line.data()) return std::nullopt;
    if (end != line.data() + line.size() && *end != ' ') return std::nullopt;
    return value;
}

}  // namespace

bool CapabilityList::Has(std::string_view name) const {
    for (const std::string& line : lines) {
        if (SameTextAscii(std::string_view(line).substr(0, line.find(' ')), name)) return true;
    }
    return false;
}

const CapabilityList& Pop3Client::Capabilities() {
    if (capabilities_.asked) return capabilities_;
    SendCommand("CAPA");
    capabilities_.asked = true;
    Pop3Reply reply;
    try {
        reply = ReadReply();
    } catch (const UnrecognizedReply&) {
        return capabilities_;  // one line that is no answer; nothing follows it
    }
    if (!reply.ok) return capabilities_;
    channel_.ExtendDeadlineWithData();
    for (std::string line = channel_.ReadLine(); line != "."; line = channel_.ReadLine()) {
        const std::string name = Trim(UnstuffLine(line));
        if (!name.empty()) capabilities_.lines.push_back(name);
    }
    return capabilities_;
}

MessageSizeList Pop3Client::MessageSizes(int count) {
    MessageSizeList sizes;
    SendCommand("LIST");
    if (!ReadReply().ok) return sizes;
    channel_.ExtendDeadlineWithData();  // a long answer may take longer while it keeps coming
    for (std::string line = channel_.ReadLine(); line != "."; line = channel_.ReadLine()) {
        const std::string text = Trim(line);
        const auto number = LeadingNumber(text);
        if (number && *number >= 1 && *number <= count)
            sizes.byNumber.emplace_back(*number, ParseMessageSize(text));
    }
    // Servers list in order; anything else is sorted, the first size of a number kept.
    std::stable_sort(sizes.byNumber.begin(), sizes.byNumber.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    sizes.byNumber.erase(
        std::unique(sizes.byNumber.begin(), sizes.byNumber.end(),
                    [](const auto& a, const auto& b) { return a.first == b.first; }),
        sizes.byNumber.end());
    return sizes;
}

std::int32_t MessageSizeList::Of(int number) const {
    const auto found = std::lower_bound(byNumber.begin(), byNumber.end(), number,
                                        [](const auto& entry, int n) { return entry.first < n; });
    return found != byNumber.end() && found->first == number ? found->second
                                                             : Pop3Client::kSizeUnknown;
}

bool Pop3Client::CanQueue(int requests) const {
    if (pending_.empty() && requests <= 1) return true;
    if (!Pipelining()) return false;
    const std::size_t more = static_cast<std::size_t>(std::max(requests, 1));
    return pending_.size() + more <= static_cast<std::size_t>(pipelineLimit) &&
           pendingBytes_ + more * kLongestRequest <= channel_.SendRoom();
}

void Pop3Client::QueueHeader(int number) {
    Queue("TOP " + std::to_string(number) + " 0", true, number);
}

void Pop3Client::QueueSize(int number) {
    Queue("LIST " + std::to_string(number), false, number);
}

void Pop3Client::Queue(const std::string& line, bool header, int number) {
    channel_.QueueLine(line);
    pending_.push_back({header, number, line.size() + 2});
    pendingBytes_ += line.size() + 2;
}

int Pop3Client::ReadQueuedHeader(MessageSink& message) {
    const int number = pending_.empty() ? 0 : pending_.front().number;
    ReadPendingOk(true);
    try {
        bool bodyFollows = false;
        ReadHeaderLines(message, false, bodyFollows);
    } catch (...) {
        Disconnect();  // the rest of the reply is unread: nothing after it would be in step
        throw;
    }
    return number;
}

int Pop3Client::ReadQueuedSize() {
    return ParseMessageSize(ReadPendingOk(false).Text());
}

Pop3Reply Pop3Client::ReadPendingOk(bool header) {
    if (pending_.empty() || pending_.front().header != header)
        throw TarnwickError("No such request is waiting for its reply.");
    const Pop3Reply reply = ReadPending();
    if (reply.ok) return reply;
    try {
        DropPendingReplies();
    } catch (const TarnwickError&) {
        // the refusal is the error to report; a broken connection has closed the session
    }
    throw TarnwickError(reply.ErrorMessage());
}

void Pop3Client::DropPendingReplies() {
    while (!pending_.empty()) {
        const bool header = pending_.front().header;
        if (ReadPending().ok && header) SkipMultiLine();
    }
}

Pop3Reply Pop3Client::ReadPending() {
    pendingBytes_ -= pending_.front().bytes;
    pending_.pop_front();
    try {
        return ReadReply();
    } catch (const TarnwickError&) {
        // Where the replies to the requests behind this one begin is unknown now.
        if (!pending_.empty()) Disconnect();
        throw;
    }
}

void Pop3Client::SkipMultiLine() {
    while (channel_.ReadLine() != ".") {
    }
}
