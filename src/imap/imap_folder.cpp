// The folder part of ImapClient: STATUS, EXAMINE and SELECT, the header listing, a message,
// and deleting by UID.
#include <algorithm>

#include "imap/imap_client.h"
#include "settings/errors.h"
#include "settings/scope_guard.h"
#include "settings/text_utils.h"

namespace {

constexpr std::size_t kLongestUidSet = 1000;  // characters of one UID EXPUNGE's set

// The list of a FETCH response: "* <n> FETCH (...)".
ImapValue* FetchList(ImapResponse& response) {
    if (response.data.size() < 3 || !response.data[1].IsAtom("FETCH") ||
        response.data[2].kind != ImapValue::Kind::List)
        return nullptr;
    return &response.data[2];
}

// The value of the first item whose name begins with `section` (letter case ignored): the
// server names a header-fields section as it pleases within its brackets.
ImapValue* ItemBeginning(ImapValue& items, std::string_view section) {
    for (std::size_t i = 0; i + 1 < items.items.size(); i += 2) {
        const ImapValue& name = items.items[i];
        if (name.kind == ImapValue::Kind::Atom && name.text.size() >= section.size() &&
            SameTextAscii(std::string_view(name.text).substr(0, section.size()), section))
            return &items.items[i + 1];
    }
    return nullptr;
}

// Whether a mailbox name the server sent is `encoded`; INBOX in any letter case.
bool SameMailbox(const ImapValue& sent, std::string_view encoded) {
    if (sent.kind != ImapValue::Kind::Atom && sent.kind != ImapValue::Kind::String) return false;
    if (SameTextAscii(encoded, "INBOX")) return SameTextAscii(sent.text, "INBOX");
    return sent.text == encoded;
}

std::uint32_t NumberOf(const ImapValue* value) {
    return value ? value->Number().value_or(0) : 0;
}

// "1:3,7,9:10" for sorted UIDs, cut into sets of at most kLongestUidSet characters.
std::vector<std::string> UidSets(const std::vector<MessageId>& ids) {
    std::vector<std::uint32_t> uids;
    for (const MessageId id : ids) uids.push_back(id.Value());
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    std::vector<std::string> sets;
    std::string set;
    for (std::size_t i = 0; i < uids.size();) {
        std::size_t j = i;
        while (j + 1 < uids.size() && uids[j + 1] == uids[j] + 1) ++j;
        std::string range = std::to_string(uids[i]);
        if (j > i) range += ":" + std::to_string(uids[j]);
        if (!set.empty() && set.size() + range.size() + 1 > kLongestUidSet) {
            sets.push_back(std::move(set));
            set.clear();
        }
        set += (set.empty() ? "" : ",") + range;
        i = j + 1;
    }
    if (!set.empty()) sets.push_back(std::move(set));
    return sets;
}

// A message's bytes to the sink as the POP3 client hands them over: header lines up to the
// first empty line, then body lines, without their line ends.
void FeedMessage(std::string_view bytes, MessageSink& message) {
    bool inHeader = true;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t lf = bytes.find('\n', pos);
        const bool last = lf == std::string_view::npos;
        if (last) lf = bytes.size();
        std::size_t end = lf;
        if (end > pos && bytes[end - 1] == '\r') --end;
        std::string line(bytes.substr(pos, end - pos));
        pos = lf + 1;
        if (inHeader) {
            if (line.empty()) {
                inHeader = false;
                message.HeaderComplete();
                continue;
            }
            message.AddHeaderLine(std::move(line));
        } else {
            message.AddBodyLine(std::move(line));
        }
    }
    if (inHeader) message.HeaderComplete();
    message.BodyComplete();
}

}  // namespace

void FeedHeader(std::string_view header, MessageSink& message) {
    std::size_t pos = 0;
    std::size_t kept = 0;
    while (pos < header.size()) {
        std::size_t lf = header.find('\n', pos);
        if (lf == std::string_view::npos) lf = header.size();
        std::size_t end = lf;
        if (end > pos && header[end - 1] == '\r') --end;
        kept += end - pos + 2;
        if (kept > kMaxHeaderBytes) break;
        if (end > pos) message.AddHeaderLine(std::string(header.substr(pos, end - pos)));
        pos = lf + 1;
    }
    message.HeaderComplete();
}

FolderStatus ImapClient::Status(std::string_view folder) {
    const std::string name = EncodeMailboxName(folder);
    std::optional<FolderStatus> status;
    bool badCount = false;
    Run("STATUS " + MailboxArgument(folder) + " (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)",
        [&](ImapResponse& response) {
            if (response.data.size() != 3 || !response.data[0].IsAtom("STATUS") ||
                !SameMailbox(response.data[1], name))
                return;  // another folder's, or not a status
            status = StatusItems(response.data[2]);
            badCount = !status;
        });
    if (badCount) throw TarnwickError("The server reported no valid message count for the folder.");
    if (!status) throw TarnwickError("The server did not report the folder's status.");
    return *status;
}

OpenFolder ImapClient::Examine(std::string_view folder) {
    return Open("EXAMINE", folder);
}

OpenFolder ImapClient::Select(std::string_view folder) {
    return Open("SELECT", folder);
}

OpenFolder ImapClient::Open(std::string_view command, std::string_view folder) {
    OpenFolder opened;
    const auto codeNumber = [](const ImapResponse& response, std::string_view name,
                               std::uint32_t& number) {
        const auto words = response.CodeWords();
        if (words.size() < 2 || words[0] != name) return;
        number = ImapValue{ImapValue::Kind::Atom, words[1], {}}.Number().value_or(0);
    };
    const ImapResponse done =
        Run(std::string(command) + " " + MailboxArgument(folder), [&](ImapResponse& response) {
            if (response.data.size() == 2 && response.data[1].IsAtom("EXISTS"))
                opened.exists = response.data[0].Number().value_or(0);
            codeNumber(response, "UIDVALIDITY", opened.uidValidity);
            codeNumber(response, "UIDNEXT", opened.uidNext);
        });
    const auto words = done.CodeWords();
    opened.readOnly = words.empty() || words[0] != "READ-WRITE";
    return opened;
}

void ImapClient::FetchHeaders(std::uint32_t exists,
                              const std::function<bool(FetchedHeader&)>& onHeader, FetchStop stop) {
    FetchEachHeader("UID FETCH 1:* (UID RFC822.SIZE INTERNALDATE BODY.PEEK[HEADER])",
                    "BODY[HEADER]", exists, onHeader, stop);
}

void ImapClient::FetchNewestHeaders(std::uint32_t firstSequence,
                                    const std::function<bool(FetchedHeader&)>& onHeader) {
    FetchEachHeader("FETCH " + std::to_string(std::max<std::uint32_t>(firstSequence, 1)) +
                        ":* (UID RFC822.SIZE BODY.PEEK[HEADER.FIELDS (" + kNewHeaderFields + ")])",
                    "BODY[HEADER.FIELDS", std::nullopt, onHeader);
}

void ListingTally::Opened(std::uint32_t exists) {
    low_ = exists;
    high_ = exists;
}

void ListingTally::Untagged(const ImapResponse& response) {
    if (response.data.size() != 2 || !response.data[0].Number()) return;
    if (response.data[1].IsAtom("EXISTS") && high_)
        high_ = std::max(*high_, *response.data[0].Number());
    else if (response.data[1].IsAtom("EXPUNGE") && low_ > 0)
        --low_;
}

bool ListingTally::Take(const ImapValue* uid) {
    const std::optional<std::uint32_t> number = uid ? uid->Number() : std::nullopt;
    if (!number || *number == 0) throw RepliesOutOfStep();
    if (!uids_.insert(*number).second) return false;
    if (high_ && uids_.size() > *high_) throw RepliesOutOfStep();
    return true;
}

void ListingTally::Done() const {
    if (high_ && uids_.size() < low_) throw RepliesOutOfStep();
}

void ImapClient::FetchEachHeader(const std::string& command, std::string_view section,
                                 std::optional<std::uint32_t> exists,
                                 const std::function<bool(FetchedHeader&)>& onHeader,
                                 FetchStop stop) {
    ListingTally tally;
    if (exists) tally.Opened(*exists);
    const std::string tag = SendTagged(command);
    channel_.ExtendDeadlineWithData();
    bool handing = true;
    struct Stopped {};
    try {
        Finish(tag, [&](ImapResponse& response) {
            if (!handing) return;
            tally.Untagged(response);
            ImapValue* items = FetchList(response);
            ImapValue* header = items ? ItemBeginning(*items, section) : nullptr;
            if (!header) return;                          // a flag change the server tells unasked
            if (!tally.Take(items->Find("UID"))) return;  // told twice
            FetchedHeader fetched;
            fetched.uid = MessageId(*items->Find("UID")->Number());
            fetched.sequence = response.data[0].Number().value_or(0);
            if (const auto size = items->Find("RFC822.SIZE"); size && size->Number())
                fetched.size = *size->Number();
            if (const auto date = items->Find("INTERNALDATE");
                date && date->kind == ImapValue::Kind::String)
                fetched.internalDate = date->text;
            fetched.header = std::move(header->text);
            handing = onHeader(fetched);
            if (!handing && stop == FetchStop::CloseConnection) throw Stopped{};
        });
        if (handing) tally.Done();
    } catch (const Stopped&) {
        // The rest of the answer may take as long as the listing would have: the session ends.
        AbortConnection();
    } catch (const RepliesOutOfStep&) {
        AbortConnection();
        throw;
    }
}

bool ImapClient::FetchMessage(MessageId uid, MessageSink& message) {
    const std::string tag = SendTagged("UID FETCH " + uid.Text() + " BODY.PEEK[]");
    channel_.ExtendDeadlineWithData();
    std::optional<std::string> bytes;
    responseLimit_ = kMaxMessageResponseBytes;
    const ScopeGuard limit([this] { responseLimit_ = kMaxResponseBytes; });
    Finish(tag, [&](ImapResponse& response) {
        ImapValue* items = FetchList(response);
        if (!items || NumberOf(items->Find("UID")) != uid.Value()) return;
        if (ImapValue* body = items->Find("BODY[]")) bytes = std::move(body->text);
    });
    if (!bytes) return false;
    FeedMessage(*bytes, message);
    return true;
}

void ImapClient::FlagDeleted(MessageId uid) {
    Run("UID STORE " + uid.Text() + " +FLAGS.SILENT (\\Deleted)");
}

void ImapClient::FlagSeen(const std::vector<MessageId>& uids) {
    for (const std::string& set : UidSets(uids))
        Run("UID STORE " + set + " +FLAGS.SILENT (\\Seen)");
}

void ImapClient::ExpungeUids(const std::vector<MessageId>& uids) {
    if (uids.empty()) return;
    if (!HasCapability("UIDPLUS"))
        throw TarnwickError(
            "The server cannot remove single messages (no UIDPLUS); they stay "
            "marked as deleted.");
    for (const std::string& set : UidSets(uids)) Run("UID EXPUNGE " + set);
}

void ImapClient::Noop() {
    Run("NOOP");
}
