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

bool IsTerminatorLine(std::string_view line) {
    return line == ".";
}

}  // namespace

std::string MessageUidList::Of(int number) const {
    const auto found = std::lower_bound(byNumber.begin(), byNumber.end(), number,
                                        [](const auto& entry, int n) { return entry.first < n; });
    return found != byNumber.end() && found->first == number ? found->second : std::string();
}

bool CapabilityList::Has(std::string_view name) const {
    for (const std::string& line : lines) {
        if (SameTextAscii(std::string_view(line).substr(0, line.find(' ')), name)) return true;
    }
    return false;
}

std::string RememberedCapabilitiesText(const RememberedCapabilities& remembered) {
    std::string text = std::to_string(remembered.when) + " " + remembered.server + " ";
    for (std::size_t i = 0; i < remembered.lines.size(); ++i)
        text += (i > 0 ? "|" : "") + remembered.lines[i];
    return text;
}

std::optional<RememberedCapabilities> ParseRememberedCapabilities(std::string_view text) {
    const std::size_t space = text.find(' ');
    const std::size_t second = text.find(' ', space + 1);
    if (space == std::string_view::npos || second == std::string_view::npos) return std::nullopt;
    RememberedCapabilities remembered;
    const auto [end, error] = std::from_chars(text.data(), text.data() + space, remembered.when);
    if (error != std::errc() || end != text.data() + space) return std::nullopt;
    remembered.server = std::string(text.substr(space + 1, second - space - 1));
    for (std::string_view rest = text.substr(second + 1); !rest.empty();) {
        const std::size_t bar = rest.find('|');
        const std::string line = Trim(rest.substr(0, bar));
        if (!line.empty()) remembered.lines.push_back(line);
        rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    }
    return remembered;
}

bool StillFresh(const RememberedCapabilities& remembered, std::string_view server,
                std::int64_t now) {
    return remembered.server == server && remembered.when <= now &&
           now - remembered.when < kCapabilitiesKeptSeconds;
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
    for (std::string line = ReadReplyLine(); line != "."; line = ReadReplyLine()) {
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
    for (std::string line = ReadReplyLine(); line != "."; line = ReadReplyLine()) {
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
    Queue("TOP " + std::to_string(number) + " 0", Request::Header, number);
}

void Pop3Client::QueueSize(int number) {
    Queue("LIST " + std::to_string(number), Request::Size, number);
}

void Pop3Client::QueueUid(int number) {
    Queue("UIDL " + std::to_string(number), Request::Uid, number);
}

void Pop3Client::QueueDelete(int number) {
    Queue("DELE " + std::to_string(number), Request::Delete, number);
}

void Pop3Client::QueueUidList() {
    Queue("UIDL", Request::UidList, 0);
}

void Pop3Client::QueueSizeList() {
    Queue("LIST", Request::SizeList, 0);
}

bool Pop3Client::IsMultiLine(Request request) {
    return request == Request::Header || request == Request::UidList ||
           request == Request::SizeList;
}

void Pop3Client::Queue(const std::string& line, Request request, int number) {
    if (quitSent_) throw Cancelled();  // the session is ending: nothing goes after QUIT
    channel_.QueueLine(line);
    pending_.push_back({request, number, line.size() + 2});
    pendingBytes_ += line.size() + 2;
}

int Pop3Client::ReadQueuedHeader(MessageSink& message) {
    const int number = pending_.empty() ? 0 : pending_.front().number;
    ReadPendingOk(Request::Header);
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
    return ParseMessageSize(ReadPendingOk(Request::Size).Text());
}

std::optional<std::string> Pop3Client::ReadQueuedUid() {
    const int number = pending_.empty() ? 0 : pending_.front().number;
    const Pop3Reply reply = ReadPendingOf(Request::Uid);
    if (!reply.ok) return std::nullopt;
    const auto line = ParseUidLine(reply.Text());
    if (!line || line->first != number) OutOfStep();
    return line->second;
}

// While the reply is awaited, an end asked for sends QUIT behind the DELE (looked at every
// kEndAskedPoll), so that the deletions answered and the one under way take effect even when
// the program ends before the reply comes; the reply is then awaited kQuitGrace at most.
Pop3Reply Pop3Client::ReadQueuedDelete() {
    constexpr std::chrono::milliseconds kEndAskedPoll{100};
    constexpr std::chrono::milliseconds kQuitGrace{1000};
    const auto deadline = std::chrono::steady_clock::now() + readTimeout;
    while (!quitSent_ && IsConnected() && !channel_.HasUnreadInput()) {
        if (interrupt_->EndAsked()) {
            channel_.SendLine("QUIT");
            quitSent_ = true;
            const auto grace = std::chrono::steady_clock::now() + kQuitGrace;
            channel_.SetLimit(endBy ? std::min(*endBy, grace) : grace);
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline || channel_.WaitForInput(std::min(deadline, now + kEndAskedPoll)))
            break;
    }
    return ReadPendingOf(Request::Delete);
}

MessageUidList Pop3Client::ReadQueuedUidList(int count) {
    MessageUidList uids;
    uids.answered = ReadPendingOf(Request::UidList).ok;
    if (uids.answered && !ReadStrictList(count, [&](std::string_view line) {
            auto entry = ParseUidLine(line);
            if (entry) uids.byNumber.push_back(std::move(*entry));
            return entry.has_value();
        }))
        OutOfStep();
    return uids;
}

MessageSizeList Pop3Client::ReadQueuedSizeList(int count) {
    MessageSizeList sizes;
    if (ReadPendingOf(Request::SizeList).ok && !ReadStrictList(count, [&](std::string_view line) {
            const auto entry = ParseSizeLine(line);
            if (entry) sizes.byNumber.emplace_back(entry->first, entry->second);
            return entry.has_value();
        }))
        OutOfStep();
    return sizes;
}

// Reads the lines of a multi-line answer up to "."; false, at the first line that does not
// parse or whose number does not ascend within 1 to `count`, or for an empty answer when
// `count` is above 0. A header read in its place fails on its first line; an empty reply too
// many, on its count.
template <typename Parse>
bool Pop3Client::ReadStrictList(int count, Parse parse) {
    channel_.ExtendDeadlineWithData();
    int last = 0;
    for (std::string line = ReadReplyLine(); !IsTerminatorLine(line); line = ReadReplyLine()) {
        const auto number = LeadingNumber(line);
        if (!number || *number <= last || *number > count || !parse(std::string_view(line)))
            return false;
        last = *number;
    }
    return count <= 0 || last > 0;
}

void Pop3Client::OutOfStep() {
    Disconnect();
    throw RepliesOutOfStep();
}

Pop3Reply Pop3Client::ReadPendingOf(Request request) {
    if (pending_.empty() || pending_.front().request != request)
        throw TarnwickError("No such request is waiting for its reply.");
    return ReadPending();
}

Pop3Reply Pop3Client::ReadPendingOk(Request request) {
    const Pop3Reply reply = ReadPendingOf(request);
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
        const bool multiLine = IsMultiLine(pending_.front().request);
        if (ReadPending().ok && multiLine) SkipMultiLine();
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
    while (ReadReplyLine() != ".") {
    }
}
