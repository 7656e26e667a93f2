#pragma once
// The list window's session (POP3 or IMAP) on a thread of its own. Every protocol call runs there;
// the requests arrive as queued calls and the results leave as queued signals, so that the user
// interface never waits on the network and no handler of it runs inside a protocol call.

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "check/certificate_trust.h"
#include "list/list_row.h"
#include "list/message_deletion.h"
#include "net/interrupt.h"
#include "settings/accounts.h"
#include "spam/spam_types.h"

class MailSession;

// Opens a logged-in session for the account, on the worker's thread, sharing `interrupt` with
// it before connecting; the result may be unconnected (a failed login). The program's factory
// records the outcome in the settings file as a check does; tests hand in one that replays a
// transcript.
using SessionFactory = std::function<std::unique_ptr<MailSession>(
    const AccountSettings& account, std::shared_ptr<InterruptSignal> interrupt)>;

// The program's sessions, of the account's protocol, opened as a timed check opens them and
// the outcome recorded; `tlsAvailable` false connects a TLS account without TLS.
SessionFactory AccountSessions(bool tlsAvailable);

// The rules and criteria as they were when a listing started; the worker reads nothing else.
using FilterSnapshotPtr = std::shared_ptr<const FilterSnapshot>;

// Results handed from the worker to the user interface (move-only contents behind a pointer,
// as a queued signal copies its arguments).
struct ListedRows {
    std::vector<MessageRow> rows;
};
using ListedRowsPtr = std::shared_ptr<ListedRows>;
struct FetchedMessage {
    std::unique_ptr<MailMessage> entry;
};
using FetchedMessagePtr = std::shared_ptr<FetchedMessage>;

class SessionWorker : public QObject {
    Q_OBJECT
public:
    explicit SessionWorker(SessionFactory factory);
    ~SessionWorker() override;

    // Thread-safe: the running request stops at its next step (a listing asks for no further
    // header, a deletion loop deletes no further message); what was answered is reported.
    void Stop() { stop_ = true; }
    // Thread-safe: clears a stop before the next request is posted.
    void Arm() { stop_ = false; }
    // Thread-safe: a waiting protocol call ends at once with an error; the session is lost.
    void Interrupt();
    // A call that stays safe after the worker is gone: it interrupts a request under way, and
    // leaves a session between requests alone so that it can still say QUIT. A deletion under
    // way is asked to end in order instead: QUIT goes behind the pending reply.
    std::function<void()> Interrupter() const;

    // The requests, called on the worker's thread (queued). Each ends with finished().
    void List(const AccountSettings& account, const FilterSnapshotPtr& filter);
    // The message's size comes from the server where it tells it on request, else from
    // `listedSize`.
    void Fetch(MessageId id, int listedSize);
    void Delete(const std::vector<MessageIdentity>& targets);
    void KeepAlive();
    // Ends the session: the answered deletions take effect.
    void Close();

Q_SIGNALS:
    void sessionOpened(bool connected);
    void sessionClosed();
    // What the user should learn from the end of a session (deletions that did not take
    // effect), with the account's address.
    void sessionNote(QString email, QString note);
    void progress(int value, int maximum);
    void rowsListed(ListedRowsPtr rows);
    void listingFailed(QString message);
    void messageFetched(MessageId id, FetchedMessagePtr message);
    void messageDeleted(MessageId id);
    // An error that ended a request other than a listing (a refused DELE, an unwritable
    // settings file).
    void failed(QString message);
    void certificateFailed(TrustRequest request);
    void finished();

private:
    bool OpenFor(const AccountSettings& account);
    void EndClient();
    void SetClient(std::unique_ptr<MailSession> client);
    void ReportProgress(int value, int maximum, bool force);

    SessionFactory factory_;
    // The interrupt of the session in use, as other threads reach it.
    struct ClientSlot {
        std::mutex mutex;
        std::shared_ptr<InterruptSignal> interrupt;
        std::atomic<bool> inRequest{false};
        std::atomic<bool> deleting{false};
        void Interrupt();
        void AskToEnd();
    };
    // Marks the worker as inside a request while it lives.
    class RequestScope;

    std::unique_ptr<MailSession> client_;
    std::string email_;  // the account of client_
    std::shared_ptr<ClientSlot> slot_ = std::make_shared<ClientSlot>();
    std::atomic<bool> stop_{false};
    qint64 lastProgressMs_ = -1;
};

Q_DECLARE_METATYPE(ListedRowsPtr)
Q_DECLARE_METATYPE(FetchedMessagePtr)
Q_DECLARE_METATYPE(MessageId)
Q_DECLARE_METATYPE(TrustRequest)
