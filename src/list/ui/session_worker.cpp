#include "list/ui/session_worker.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <exception>

#include "list/mailbox_listing.h"
#include "session/mail_session.h"
#include "session/session_factory.h"
#include "widgets/ui_text.h"

namespace {

// Progress reports are coalesced: the window cannot show more than this many a second.
constexpr qint64 kProgressEveryMs = 15;

qint64 NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

const int kRegistered = [] {
    qRegisterMetaType<ListedRowsPtr>();
    qRegisterMetaType<FetchedMessagePtr>();
    qRegisterMetaType<MessageId>();
    qRegisterMetaType<TrustRequest>();
    return 0;
}();

// Hands a fetched message on to the entry, counting its bytes for the progress bar.
class CountingSink final : public MessageSink {
public:
    CountingSink(MessageSink& target, std::function<void(qint64)> report)
        : target_(target), report_(std::move(report)) {}
    void AddHeaderLine(std::string line) override {
        Count(line);
        target_.AddHeaderLine(std::move(line));
    }
    void HeaderComplete() override { target_.HeaderComplete(); }
    void AddBodyLine(std::string line) override {
        Count(line);
        target_.AddBodyLine(std::move(line));
    }
    void BodyComplete() override { target_.BodyComplete(); }

private:
    void Count(const std::string& line) {
        bytes_ += static_cast<qint64>(line.size()) + 2;  // with its CR LF
        report_(bytes_);
    }

    MessageSink& target_;
    std::function<void(qint64)> report_;
    qint64 bytes_ = 0;
};

}  // namespace

SessionFactory AccountSessions(bool tlsAvailable) {
    return
        [tlsAvailable](const AccountSettings& account, std::shared_ptr<InterruptSignal> interrupt) {
            SessionOptions options;
            options.tlsAvailable = tlsAvailable;
            options.interrupt = std::move(interrupt);
            RunState runState;
            std::unique_ptr<MailSession> session = OpenMailSession(account, options, runState);
            try {
                runState.Store();
            } catch (...) {
                session->Quit();  // the server hears the end before the failure travels on
                throw;
            }
            return session;
        };
}

SessionWorker::SessionWorker(SessionFactory factory) : factory_(std::move(factory)) {
    (void)kRegistered;
}

SessionWorker::~SessionWorker() {
    EndClient();
}

class SessionWorker::RequestScope {
public:
    explicit RequestScope(ClientSlot& slot) : slot_(slot) { slot_.inRequest = true; }
    ~RequestScope() { slot_.inRequest = false; }
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

private:
    ClientSlot& slot_;
};

void SessionWorker::ClientSlot::Interrupt() {
    const std::lock_guard lock(mutex);
    if (interrupt) interrupt->Raise();
}

void SessionWorker::ClientSlot::AskToEnd() {
    const std::lock_guard lock(mutex);
    if (interrupt) interrupt->AskToEnd();
}

void SessionWorker::Interrupt() {
    slot_->Interrupt();
}

std::function<void()> SessionWorker::Interrupter() const {
    return [slot = slot_] {
        if (slot->deleting)
            slot->AskToEnd();
        else if (slot->inRequest)
            slot->Interrupt();
    };
}

void SessionWorker::SetClient(std::unique_ptr<MailSession> client) {
    EndClient();
    client_ = std::move(client);
}

void SessionWorker::EndClient() {
    if (!client_) return;
    std::string note;
    try {
        note = client_->Quit();
    } catch (const std::exception&) {
        // a session that cannot end in order ends anyway; the server keeps what it had
    }
    client_.reset();
    if (!note.empty()) Q_EMIT sessionNote(ToQt(email_), ToQt(note));
}

void SessionWorker::ReportProgress(int value, int maximum, bool force) {
    const qint64 now = NowMs();
    if (!force && lastProgressMs_ >= 0 && now - lastProgressMs_ < kProgressEveryMs) return;
    lastProgressMs_ = now;
    Q_EMIT progress(value, maximum);
}

bool SessionWorker::OpenFor(const AccountSettings& account) {
    // The session opened before ends first: a mailbox that the server locks would refuse the
    // new login, and its deletions take effect now.
    if (client_) {
        EndClient();
        Q_EMIT sessionClosed();
    }
    auto interrupt = std::make_shared<InterruptSignal>();
    {
        const std::lock_guard lock(slot_->mutex);
        slot_->interrupt = interrupt;
    }
    std::unique_ptr<MailSession> client = factory_(account, interrupt);
    if (auto request = TrustRequestFor(account, client->CertificateFailure()))
        Q_EMIT certificateFailed(*request);
    const bool connected = client->IsConnected();
    if (connected) {
        SetClient(std::move(client));
        email_ = account.email;
    }
    Q_EMIT sessionOpened(connected);
    return connected;
}

void SessionWorker::List(const AccountSettings& account, const FilterSnapshotPtr& filter) {
    const RequestScope request(*slot_);
    try {
        if (OpenFor(account)) {
            auto listed = std::make_shared<ListedRows>();
            lastProgressMs_ = -1;
            listed->rows = ListHeaders(
                *client_, account, filter->rules, filter->criteria, [this](int done, int count) {
                    ReportProgress(std::max(done - 1, 0), count, done == count);
                    return !stop_;
                });
            if (!client_->IsConnected()) {
                EndClient();
                Q_EMIT sessionClosed();
            }
            Q_EMIT rowsListed(listed);
        }
    } catch (const std::exception& error) {
        EndClient();
        Q_EMIT sessionClosed();
        Q_EMIT listingFailed(ToQt(error.what()));
    }
    Q_EMIT finished();
}

void SessionWorker::Fetch(MessageId id, int listedSize) {
    const RequestScope request(*slot_);
    auto fetched = std::make_shared<FetchedMessage>();
    fetched->entry = std::make_unique<MailMessage>();
    MailMessage& entry = *fetched->entry;
    entry.id = id;
    if (client_) {
        try {
            const std::int64_t told = client_->MessageSize(id);
            entry.size =
                told < 0 ? listedSize : static_cast<int>(std::min<std::int64_t>(told, INT_MAX));
            const int maximum = std::max(entry.size, 0);
            lastProgressMs_ = -1;
            ReportProgress(0, maximum, true);
            CountingSink counted(entry, [this, maximum](qint64 bytes) {
                ReportProgress(static_cast<int>(std::min<qint64>(bytes, maximum)), maximum, false);
            });
            client_->FetchMessage(id, counted);
        } catch (const std::exception&) {
            // A dropped connection or a cancel: the entry shows what arrived.
            entry.ParseReceivedBody();
        }
        if (!client_->IsConnected()) {
            EndClient();
            Q_EMIT sessionClosed();
        }
    }
    Q_EMIT messageFetched(id, fetched);
    Q_EMIT finished();
}

// One message at a time, so that a stop takes effect between two of them.
void SessionWorker::Delete(const std::vector<MessageIdentity>& targets) {
    const RequestScope request(*slot_);
    slot_->deleting = true;
    try {
        for (const MessageIdentity& target : targets) {
            if (stop_ || !client_) break;
            const DeletionResult result = DeleteMessages(*client_, {target});
            if (!result.deleted.empty()) Q_EMIT messageDeleted(target.id);
            if (!result.error.empty()) {
                Q_EMIT failed(ToQt(result.error));
                break;
            }
        }
    } catch (const std::exception& error) {
        Q_EMIT failed(ToQt(error.what()));
    }
    slot_->deleting = false;
    if (client_ && !client_->IsConnected()) {
        EndClient();
        Q_EMIT sessionClosed();
    }
    Q_EMIT finished();
}

void SessionWorker::KeepAlive() {
    if (!client_) return;
    const RequestScope request(*slot_);
    try {
        client_->KeepAlive();
    } catch (const std::exception&) {
        // The next request reports what broke; a lost session shows as closed.
    }
    if (!client_->IsConnected()) {
        EndClient();
        Q_EMIT sessionClosed();
    }
}

void SessionWorker::Close() {
    if (!client_) return;
    EndClient();
    Q_EMIT sessionClosed();
}
