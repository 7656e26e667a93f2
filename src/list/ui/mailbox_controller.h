#pragma once
// The mailbox of one account as the list window works on it, without widgets: the account,
// the session on its worker thread, which request runs and whether it is to stop, the
// keep-alive timer and the listed rows. One request runs at a time; while it runs, the
// commands that would start another one are refused.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "list/ui/session_worker.h"
#include "settings/accounts.h"

class HeaderListModel;
class QThread;
class QTimer;

class MailboxController : public QObject {
    Q_OBJECT
public:
    enum class Request { None, Listing, Message, Delete };

    explicit MailboxController(SessionFactory factory, QObject* parent = nullptr);
    // Ends the session (QUIT once the running request has ended) without waiting for it.
    ~MailboxController() override;

    // The account whose mailbox is shown. Another account ends the session of this one (its
    // deletions take effect) and empties the rows.
    void SetAccount(const AccountSettings& account);
    const std::optional<AccountSettings>& Account() const { return account_; }

    // The requests; each is refused (false) while another one runs or when it cannot start.
    bool ListHeaders(const FilterSnapshotPtr& filter);
    bool FetchMessage(MessageId id);
    // Deletes the messages in this order, each checked by its id first; a refusal or a changed
    // mailbox stops the rest.
    bool DeleteMessages(const std::vector<MessageIdentity>& targets);

    // Stops the running request at its next step; a message fetch is interrupted at once.
    void Cancel();
    // A close while a request runs is refused once and stops the request; true: close.
    bool RequestClose();

    Request Running() const { return running_; }
    bool Busy() const { return running_ != Request::None; }
    bool Connected() const { return connected_; }
    bool CancelRequested() const { return cancelRequested_; }
    HeaderListModel* Rows() const { return model_; }
    QTimer* KeepAliveTimer() const { return keepAliveTimer_; }
    // Where the notes of ended sessions go (deletions that did not take effect on the server),
    // with the account's address. A note may come after the controller is gone: the session
    // of a closed window ends behind it.
    void SetNoteHandler(std::function<void(const QString& email, const QString& note)> handler);
    // Tests shorten the keep-alive interval (30 000 ms) with this.
    void SetKeepAliveInterval(int milliseconds);

Q_SIGNALS:
    // Status panel 0 (the account) and 1 (the state of the mailbox).
    void statusChanged(int panel, QString text);
    // A listing (with the count once known: maximum) or a message fetch makes progress.
    void progressChanged(int value, int maximum);
    void busyChanged(bool busy);
    void listed();
    void listingFailed(QString title, QString message);
    void messageFetched(MessageId id);
    // Rows were deleted on the server; the selection and the panes are gone.
    void rowsDeleted();
    void certificateFailed(TrustRequest request);
    // An error of a request that no box is for (goes where the program shows its errors).
    void failed(QString message);
    void finished(MailboxController::Request request, bool cancelled);

private:
    template <typename Call>
    void Post(Request request, Call call);
    void OnFinished();
    void OnSessionOpened(bool connected);
    void OnRowsListed(const ListedRowsPtr& rows);
    void OnMessageFetched(MessageId id, const FetchedMessagePtr& fetched);
    void OnMessageDeleted(MessageId id);
    void OnKeepAliveTimer();
    void ShowItemsCount();
    int RowOfId(MessageId id) const;

    QThread* thread_ = nullptr;
    SessionWorker* worker_ = nullptr;  // lives on thread_; deleted when it ends
    HeaderListModel* model_ = nullptr;
    QTimer* keepAliveTimer_ = nullptr;
    std::optional<AccountSettings> account_;
    Request running_ = Request::None;
    bool connected_ = false;
    bool cancelRequested_ = false;
    bool closeRefused_ = false;
    int deletedInRequest_ = 0;
    bool requestFailed_ = false;
};
