#include "list/mailbox_listing.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "pop3/pop3_client.h"
#include "session/pop3_session.h"

namespace {

// Makes a list row of every header the session hands over.
class RowMaker final : public HeaderReceiver {
public:
    RowMaker(const SpamAccount& account, const SpamRules& rules, const SpamCriteria& criteria,
             const ListingProgress& progress)
        : account_(account), rules_(rules), criteria_(criteria), progress_(progress) {}

    void Counted(int count) override {
        if (progress_) progress_(0, count);
    }

    MessageSink& NextHeader() override {
        entry_ = std::make_unique<MailMessage>();
        return *entry_;
    }

    bool HeaderDone(MessageId id, std::int64_t size, int done, int count) override {
        constexpr std::int64_t kLow = std::numeric_limits<std::int32_t>::min();
        constexpr std::int64_t kHigh = std::numeric_limits<std::int32_t>::max();
        entry_->id = id;
        entry_->size = static_cast<std::int32_t>(std::clamp(size, kLow, kHigh));
        rowOf_[id.Value()] = rows.size();
        rows.push_back(MakeListRow(std::move(entry_), account_, rules_, criteria_));
        return !progress_ || progress_(done, count);
    }

    void IdKnown(MessageId id, const UniqueId& uniqueId) override {
        const auto row = rowOf_.find(id.Value());
        if (row != rowOf_.end()) rows[row->second].entry->uniqueId = uniqueId;
    }

    std::vector<MessageRow> rows;

private:
    const SpamAccount& account_;
    const SpamRules& rules_;
    const SpamCriteria& criteria_;
    const ListingProgress& progress_;
    std::unique_ptr<MailMessage> entry_;
    std::unordered_map<std::uint32_t, std::size_t> rowOf_;
};

}  // namespace

std::unique_ptr<MailMessage> FetchEntry(Pop3Client& session, int number) {
    auto entry = std::make_unique<MailMessage>();
    session.FetchHeader(number, *entry);
    entry->id = IdOfNumber(number);
    entry->size = session.MessageSize(number);
    return entry;
}

std::vector<MessageRow> ListHeaders(Pop3Client& session, const SpamAccount& account,
                                    const SpamRules& rules, const SpamCriteria& criteria,
                                    const ListingProgress& progress) {
    RowMaker maker(account, rules, criteria, progress);
    try {
        ListPop3Headers(session, maker);
    } catch (...) {
        session.QuitAndClose();  // a session closed out of step is closed already
        throw;
    }
    return std::move(maker.rows);
}

std::vector<MessageRow> ListHeaders(MailSession& session, const SpamAccount& account,
                                    const SpamRules& rules, const SpamCriteria& criteria,
                                    const ListingProgress& progress) {
    RowMaker maker(account, rules, criteria, progress);
    try {
        session.ListHeaders(maker);
    } catch (...) {
        session.Quit();
        throw;
    }
    // Newest first: an IMAP server answers oldest first.
    if (session.Protocol() == MailProtocol::Imap)
        std::reverse(maker.rows.begin(), maker.rows.end());
    return std::move(maker.rows);
}
