#include "session/new_headers.h"

#include <algorithm>

namespace {

// Collects one header's lines.
class HeaderCollector final : public MessageSink {
public:
    explicit HeaderCollector(std::vector<std::string>& lines) : lines_(lines) {}
    void AddHeaderLine(std::string line) override { lines_.push_back(std::move(line)); }
    void HeaderComplete() override {}
    void AddBodyLine(std::string) override {}
    void BodyComplete() override {}

private:
    std::vector<std::string>& lines_;
};

bool Older(const NewMessageHeader& a, const NewMessageHeader& b) {
    return a.id < b.id;
}

int Bounded(int wanted) {
    return std::clamp(wanted, 0, kNewHeaderLimit);
}

}  // namespace

std::vector<NewMessageHeader> FetchNewPop3Headers(Pop3Client& client, int newest, int wanted) {
    std::vector<NewMessageHeader> headers;
    for (int number = newest; number >= 1 && number > newest - Bounded(wanted); --number)
        headers.push_back({IdOfNumber(number), -1, {}, {}});
    const int requests = 2 * static_cast<int>(headers.size());
    // Asking for the capabilities costs the round trip that one header in flight saves.
    if (headers.size() > 1) client.Capabilities();
    if (client.Pipelining() && client.CanQueue(requests)) {
        for (const NewMessageHeader& header : headers) {
            client.QueueHeader(NumberOfId(header.id));
            client.QueueSize(NumberOfId(header.id));
        }
        for (NewMessageHeader& header : headers) {
            HeaderCollector collector(header.lines);
            client.ReadQueuedHeader(collector);
            header.size = client.ReadQueuedSize();
        }
    } else {
        for (NewMessageHeader& header : headers) {
            HeaderCollector collector(header.lines);
            client.FetchHeader(NumberOfId(header.id), collector);
            header.size = client.MessageSize(NumberOfId(header.id));
        }
    }
    return headers;
}

std::vector<NewMessageHeader> FetchNewImapHeaders(ImapClient& client, std::string_view folder,
                                                  int wanted, std::uint32_t firstNewUid) {
    const auto count = static_cast<std::uint32_t>(Bounded(wanted));
    const OpenFolder opened = client.Examine(folder);
    std::vector<NewMessageHeader> headers;
    if (opened.exists == 0 || count == 0) return headers;
    const std::uint32_t first = opened.exists > count ? opened.exists - count + 1 : 1;
    client.FetchNewestHeaders(first, [&](FetchedHeader& fetched) {
        if (fetched.uid.Value() < firstNewUid) return true;
        NewMessageHeader header{fetched.uid, fetched.size, {}, {}};
        HeaderCollector collector(header.lines);
        FeedHeader(fetched.header, collector);
        headers.push_back(std::move(header));
        if (headers.size() > count)  // mail that arrived meanwhile: the oldest goes
            headers.erase(std::min_element(headers.begin(), headers.end(), Older));
        return true;
    });
    std::sort(headers.begin(), headers.end(),
              [](const NewMessageHeader& a, const NewMessageHeader& b) { return Older(b, a); });
    return headers;
}
