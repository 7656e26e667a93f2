// The folder-list part of ImapClient: LIST with subscriptions and special use (RFC 5258,
// RFC 6154), LIST-STATUS (RFC 5819), and STATUS of many folders in one flight.
#include <algorithm>
#include <map>

#include "imap/imap_client.h"
#include "settings/errors.h"
#include "settings/text_utils.h"

namespace {

constexpr const char* kStatusItems = "(MESSAGES UNSEEN UIDNEXT UIDVALIDITY)";

std::uint32_t NumberOf(const ImapValue* value) {
    return value ? value->Number().value_or(0) : 0;
}

// A mailbox name as sent: an atom or a string; INBOX in any letter case is INBOX.
std::optional<std::string> MailboxNameOf(const ImapValue& value) {
    if (value.kind != ImapValue::Kind::Atom && value.kind != ImapValue::Kind::String)
        return std::nullopt;
    if (SameTextAscii(value.text, "INBOX")) return std::string("INBOX");
    return value.text;
}

// "* LIST (attributes) delimiter name [extended data]", or LSUB alike.
std::optional<ListedMailbox> ListEntry(const ImapResponse& response, std::string_view kind) {
    if (response.data.size() < 4 || !response.data[0].IsAtom(kind) ||
        response.data[1].kind != ImapValue::Kind::List)
        return std::nullopt;
    const auto wire = MailboxNameOf(response.data[3]);
    if (!wire) return std::nullopt;
    ListedMailbox mailbox;
    mailbox.wireName = *wire;
    mailbox.name = DecodeMailboxName(*wire);
    for (const ImapValue& attribute : response.data[1].items) {
        if (attribute.IsAtom("\\Noselect") || attribute.IsAtom("\\NonExistent"))
            mailbox.selectable = false;
        else if (attribute.IsAtom("\\Subscribed"))
            mailbox.subscribed = true;
        else if (attribute.IsAtom("\\Junk") || attribute.IsAtom("\\Trash") ||
                 attribute.IsAtom("\\Sent") || attribute.IsAtom("\\Drafts") ||
                 attribute.IsAtom("\\All"))
            mailbox.specialUse = true;
    }
    return mailbox;
}

// "* STATUS name (items)": the name as sent and the status.
std::optional<std::pair<std::string, std::optional<FolderStatus>>> StatusEntry(
    const ImapResponse& response) {
    if (response.data.size() != 3 || !response.data[0].IsAtom("STATUS")) return std::nullopt;
    const auto wire = MailboxNameOf(response.data[1]);
    if (!wire) return std::nullopt;
    return std::pair{*wire, StatusItems(response.data[2])};
}

std::string Quoted(std::string_view wireName) {
    return QuotedString(wireName).value_or("\"\"");
}

// Collects LIST (or LSUB) entries within kMaxListedMailboxes, once per name.
class MailboxCollector {
public:
    explicit MailboxCollector(ImapClient& client) : client_(client) {}

    void Take(const ImapResponse& response) {
        if (auto entry = ListEntry(response, "LIST")) {
            Add(std::move(*entry));
        } else if (auto subscribed = ListEntry(response, "LSUB")) {
            if (subscribed_.size() >= kMaxListedMailboxes) Overflow();
            subscribed_.push_back(subscribed->wireName);
        } else if (auto status = StatusEntry(response)) {
            if (statuses_.size() >= kMaxListedMailboxes) Overflow();
            statuses_[status->first] = status->second;
        }
    }

    std::vector<ListedMailbox> Done() {
        for (const std::string& name : subscribed_) {
            const auto found = byName_.find(name);
            if (found != byName_.end()) mailboxes_[found->second].subscribed = true;
        }
        for (ListedMailbox& mailbox : mailboxes_) {
            const auto status = statuses_.find(mailbox.wireName);
            if (status != statuses_.end()) mailbox.status = status->second;
        }
        return std::move(mailboxes_);
    }

    const std::map<std::string, std::optional<FolderStatus>>& Statuses() const { return statuses_; }

private:
    void Add(ListedMailbox mailbox) {
        const auto found = byName_.find(mailbox.wireName);
        if (found != byName_.end()) {  // told twice: what it says last counts
            mailboxes_[found->second] = std::move(mailbox);
            return;
        }
        if (mailboxes_.size() >= kMaxListedMailboxes) Overflow();
        byName_.emplace(mailbox.wireName, mailboxes_.size());
        mailboxes_.push_back(std::move(mailbox));
    }

    [[noreturn]] void Overflow() {
        client_.AbortConnection();
        throw TarnwickError("The server lists more than " + std::to_string(kMaxListedMailboxes) +
                            " folders.");
    }

    ImapClient& client_;
    std::vector<ListedMailbox> mailboxes_;
    std::map<std::string, std::size_t> byName_;
    std::vector<std::string> subscribed_;
    std::map<std::string, std::optional<FolderStatus>> statuses_;
};

void ThrowRefusal(const ImapResponse& answer) {
    if (answer.status != ImapStatus::Ok)
        throw TarnwickError(HasText(answer.text) ? answer.text : "The server refused LIST.");
}

}  // namespace

std::optional<FolderStatus> StatusItems(const ImapValue& items) {
    const ImapValue* messages = items.Find("MESSAGES");
    if (items.kind != ImapValue::Kind::List || !messages || !messages->Number())
        return std::nullopt;
    return FolderStatus{*messages->Number(), NumberOf(items.Find("UNSEEN")),
                        NumberOf(items.Find("UIDNEXT")), NumberOf(items.Find("UIDVALIDITY"))};
}

std::vector<ListedMailbox> ImapClient::ListMailboxes() {
    MailboxCollector collector(*this);
    const auto take = [&collector](ImapResponse& response) { collector.Take(response); };
    if (HasCapability("LIST-EXTENDED")) {
        Run(HasCapability("SPECIAL-USE") ? R"(LIST "" "*" RETURN (SUBSCRIBED SPECIAL-USE))"
                                         : R"(LIST "" "*" RETURN (SUBSCRIBED))",
            take);
    } else {
        for (const ImapResponse& answer : RunPipelined({R"(LIST "" "*")", R"(LSUB "" "*")"}, take))
            ThrowRefusal(answer);
    }
    return collector.Done();
}

std::vector<ListedMailbox> ImapClient::ListSubscribedWithStatus(
    const std::vector<std::string>& alsoStatusOf, std::vector<FolderStatusAnswer>& extra) {
    MailboxCollector collector(*this);
    std::vector<std::string> commands{std::string(R"(LIST (SUBSCRIBED) "" "*" RETURN ()") +
                                      (HasCapability("SPECIAL-USE") ? "SPECIAL-USE " : "") +
                                      "STATUS " + kStatusItems + ")"};
    for (const std::string& name : alsoStatusOf)
        commands.push_back("STATUS " + Quoted(name) + " " + kStatusItems);
    const std::vector<ImapResponse> answers =
        RunPipelined(commands, [&collector](ImapResponse& response) { collector.Take(response); });
    ThrowRefusal(answers.front());
    extra.clear();
    for (std::size_t i = 0; i < alsoStatusOf.size(); ++i) {
        const auto found = collector.Statuses().find(alsoStatusOf[i]);
        FolderStatusAnswer answer;
        if (answers[i + 1].status != ImapStatus::Ok)
            answer.error = answers[i + 1].text;
        else if (found == collector.Statuses().end() || !found->second)
            answer.error = "The server reported no valid message count for the folder.";
        else
            answer.status = found->second;
        extra.push_back(std::move(answer));
    }
    return collector.Done();
}

std::vector<FolderStatusAnswer> ImapClient::StatusOfEach(
    const std::vector<std::string>& wireNames) {
    std::vector<FolderStatusAnswer> answers;
    std::size_t next = 0;
    while (next < wireNames.size()) {
        // One batch: as many commands as the send room takes, at least one.
        std::vector<std::string> commands;
        std::size_t bytes = 0;
        const std::size_t first = next;
        for (; next < wireNames.size(); ++next) {
            std::string command = "STATUS " + Quoted(wireNames[next]) + " " + kStatusItems;
            bytes += command.size() + 16;
            if (!commands.empty() && bytes > channel_.SendRoom()) break;
            commands.push_back(std::move(command));
        }
        // Only the folders asked about are kept: a server that tells of others takes no room.
        std::map<std::string, std::optional<FolderStatus>> statuses;
        for (std::size_t i = first; i < next; ++i)
            statuses.emplace(SameTextAscii(wireNames[i], "INBOX") ? "INBOX" : wireNames[i],
                             std::nullopt);
        std::map<std::string, bool> told;
        const std::vector<ImapResponse> done =
            RunPipelined(commands, [&statuses, &told](ImapResponse& response) {
                auto status = StatusEntry(response);
                if (!status) return;
                const auto asked = statuses.find(status->first);
                if (asked == statuses.end()) return;
                asked->second = status->second;
                told[status->first] = true;
            });
        for (std::size_t i = 0; i < done.size(); ++i) {
            FolderStatusAnswer answer;
            const std::string wire =
                SameTextAscii(wireNames[first + i], "INBOX") ? "INBOX" : wireNames[first + i];
            const auto found = statuses.find(wire);
            if (done[i].status != ImapStatus::Ok)
                answer.error = HasText(done[i].text) ? done[i].text : "NO";
            else if (told.count(wire) == 0)
                answer.error = "The server did not report the folder's status.";
            else if (!found->second)
                answer.error = "The server reported no valid message count for the folder.";
            else
                answer.status = found->second;
            answers.push_back(std::move(answer));
        }
    }
    return answers;
}

std::vector<ImapResponse> ImapClient::RunPipelined(
    const std::vector<std::string>& commands,
    const std::function<void(ImapResponse&)>& onUntagged) {
    std::map<std::string, std::size_t> pending;  // tag -> index
    channel_.StartDeadline(readTimeout);
    for (const std::string& command : commands) {
        const std::string tag = NextTag();
        pending.emplace(tag, pending.size());
        channel_.QueueLine(tag + " " + command);
    }
    channel_.Flush();
    channel_.ExtendDeadlineWithData();  // a long listing may take longer while it comes
    std::vector<ImapResponse> answers(commands.size());
    while (!pending.empty()) {
        ImapResponse response = ReadAnswer(onUntagged);
        const auto found =
            response.kind == ImapResponseKind::Tagged ? pending.find(response.tag) : pending.end();
        if (found == pending.end()) {
            Disconnect();
            throw ImapProtocolError("Unexpected IMAP response:\n\"" + response.tag + " " +
                                    response.text + "\"");
        }
        const auto words = response.CodeWords();
        if (!words.empty() && SameTextAscii(words[0], "CAPABILITY")) TakeCapabilities(words, 1);
        answers[found->second] = std::move(response);
        pending.erase(found);
    }
    return answers;
}
