#include "list/ui/mailbox_controller.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "check/check_cycle.h"
#include "engine/worker_threads.h"
#include "list/list_window_rules.h"
#include "list/ui/header_list_model.h"
#include "widgets/ui_text.h"

namespace {

constexpr int kKeepAliveMs = 30000;

}  // namespace

MailboxController::MailboxController(SessionFactory factory, QObject* parent)
    : QObject(parent),
      thread_(new QThread),
      worker_(new SessionWorker(std::move(factory))),
      model_(new HeaderListModel(this)),
      keepAliveTimer_(new QTimer(this)) {
    thread_->setObjectName(QStringLiteral("mailbox session"));
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);

    connect(worker_, &SessionWorker::sessionOpened, this, &MailboxController::OnSessionOpened);
    connect(worker_, &SessionWorker::sessionClosed, this, [this] {
        connected_ = false;
        keepAliveTimer_->stop();
    });
    connect(worker_, &SessionWorker::progress, this, &MailboxController::progressChanged);
    connect(worker_, &SessionWorker::rowsListed, this, &MailboxController::OnRowsListed);
    connect(worker_, &SessionWorker::listingFailed, this, [this](const QString& message) {
        model_->Clear();
        Q_EMIT listingFailed(ToQt(account_->email + " - error"), message);
    });
    connect(worker_, &SessionWorker::messageFetched, this, &MailboxController::OnMessageFetched);
    connect(worker_, &SessionWorker::messageDeleted, this, &MailboxController::OnMessageDeleted);
    connect(worker_, &SessionWorker::certificateFailed, this,
            &MailboxController::certificateFailed);
    connect(worker_, &SessionWorker::failed, this, [this](const QString& message) {
        requestFailed_ = true;
        Q_EMIT failed(message);
    });
    connect(worker_, &SessionWorker::finished, this, &MailboxController::OnFinished);

    keepAliveTimer_->setObjectName(QStringLiteral("keept"));
    keepAliveTimer_->setInterval(kKeepAliveMs);
    connect(keepAliveTimer_, &QTimer::timeout, this, &MailboxController::OnKeepAliveTimer);
    thread_->start();
}

MailboxController::~MailboxController() {
    // The worker finishes its request and sends QUIT on its own; nobody waits for it here.
    // The worker lives until its thread ends, which the quit below allows: nothing of it is
    // touched after that.
    worker_->Stop();
    std::function<void()> interrupt = worker_->Interrupter();
    QMetaObject::invokeMethod(worker_, &SessionWorker::Close, Qt::QueuedConnection);
    AdoptWorkerThread(thread_, std::move(interrupt));
    thread_->quit();
}

template <typename Call>
void MailboxController::Post(Request request, Call call) {
    running_ = request;
    cancelRequested_ = false;
    closeRefused_ = false;
    requestFailed_ = false;
    keepAliveTimer_->stop();
    worker_->Arm();
    QMetaObject::invokeMethod(worker_, std::move(call), Qt::QueuedConnection);
    Q_EMIT busyChanged(true);
}

void MailboxController::SetAccount(const AccountSettings& account) {
    if (Busy()) return;
    account_ = account;
    model_->Clear();
    if (connected_) QMetaObject::invokeMethod(worker_, &SessionWorker::Close, Qt::QueuedConnection);
    connected_ = false;
    keepAliveTimer_->stop();
    Q_EMIT statusChanged(0, ToQt(account.email));
    Q_EMIT statusChanged(1, ToQt("   " + LastResultText(account)));
}

bool MailboxController::ListHeaders(const FilterSnapshotPtr& filter) {
    if (Busy() || !account_) return false;
    model_->Clear();
    Q_EMIT statusChanged(0, ToQt(account_->email));
    Q_EMIT statusChanged(1, ToQt(CheckingText()));
    Post(Request::Listing,
         [worker = worker_, account = *account_, filter] { worker->List(account, filter); });
    return true;
}

bool MailboxController::FetchMessage(MessageId id) {
    const MessageRow* row = model_->Row(RowOfId(id));
    if (Busy() || !connected_ || row == nullptr) return false;
    Post(Request::Message,
         [worker = worker_, id, size = row->entry->size] { worker->Fetch(id, size); });
    return true;
}

bool MailboxController::DeleteMessages(const std::vector<MessageIdentity>& targets) {
    if (Busy() || !connected_) return false;
    deletedInRequest_ = 0;
    Post(Request::Delete, [worker = worker_, targets] { worker->Delete(targets); });
    return true;
}

void MailboxController::Cancel() {
    if (!Busy()) return;
    cancelRequested_ = true;
    worker_->Stop();
    // A message that stalls would keep the window busy until its deadline.
    if (running_ == Request::Message) worker_->Interrupt();
}

bool MailboxController::RequestClose() {
    if (!Busy() || closeRefused_) return true;
    closeRefused_ = true;
    Cancel();
    return false;
}

void MailboxController::SetNoteHandler(
    std::function<void(const QString& email, const QString& note)> handler) {
    connect(worker_, &SessionWorker::sessionNote, QCoreApplication::instance(), std::move(handler));
}

void MailboxController::SetKeepAliveInterval(int milliseconds) {
    keepAliveTimer_->setInterval(milliseconds);
}

void MailboxController::OnSessionOpened(bool connected) {
    connected_ = connected;
}

void MailboxController::OnRowsListed(const ListedRowsPtr& rows) {
    model_->SetRows(std::move(rows->rows));
    model_->sort(kDateColumn);
    Q_EMIT listed();
}

void MailboxController::OnMessageFetched(MessageId id, const FetchedMessagePtr& fetched) {
    MessageRow* row = model_->Row(RowOfId(id));
    if (row == nullptr) return;
    row->entry = std::move(fetched->entry);
    Q_EMIT messageFetched(id);
}

void MailboxController::OnMessageDeleted(MessageId id) {
    const int row = RowOfId(id);
    if (row >= 0) model_->RemoveRow(row);
    ++deletedInRequest_;
}

void MailboxController::OnFinished() {
    const Request ended = running_;
    const bool cancelled = cancelRequested_;
    running_ = Request::None;
    cancelRequested_ = false;
    if (ended == Request::Listing) {
        if (LastCheckSucceeded(*account_)) {
            ShowItemsCount();
        } else {
            Q_EMIT statusChanged(1, ToQt("   " + LastResultText(*account_)));
        }
    } else if (ended == Request::Message && cancelled) {
        // A cancelled fetch leaves no session: the user lists the headers again to go on.
        model_->Clear();
        if (connected_)
            QMetaObject::invokeMethod(worker_, &SessionWorker::Close, Qt::QueuedConnection);
        connected_ = false;
    } else if (ended == Request::Delete) {
        // What the next timed check compares with, so that it reports no change; not
        // when a refusal broke the command off.
        if (!requestFailed_) StoreShownMailbox(*account_, ShownMailboxOf(model_->Rows()));
        if (deletedInRequest_ > 0 || !requestFailed_) Q_EMIT rowsDeleted();
        if (!requestFailed_) ShowItemsCount();
    }
    if (connected_) keepAliveTimer_->start();
    Q_EMIT busyChanged(false);
    Q_EMIT finished(ended, cancelled);
}

void MailboxController::OnKeepAliveTimer() {
    if (Busy() || !connected_) return;
    QMetaObject::invokeMethod(worker_, &SessionWorker::KeepAlive, Qt::QueuedConnection);
    keepAliveTimer_->start();
}

void MailboxController::ShowItemsCount() {
    Q_EMIT statusChanged(1, ToQt(ItemsCountText(static_cast<std::size_t>(model_->rowCount()))));
}

int MailboxController::RowOfId(MessageId id) const {
    const auto& rows = model_->Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].entry && rows[i].entry->id == id) return static_cast<int>(i);
    }
    return -1;
}
