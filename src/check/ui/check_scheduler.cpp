#include "check/ui/check_scheduler.h"

#include <QThread>

#include "net/interrupt.h"

namespace {

// Hands the check cycle's notifications to the scheduler's signals, from the worker thread.
class SignallingNotifier final : public CheckNotifier {
public:
    explicit SignallingNotifier(CheckScheduler& scheduler) : scheduler_(scheduler) {}
    void SetTrayHint(const std::string& hint) override { Q_EMIT scheduler_.TrayHintChanged(hint); }
    void ShowNewMailIcon(int arrived) override { Q_EMIT scheduler_.NewMailIconShown(arrived); }
    void ClearAlertMessages() override { Q_EMIT scheduler_.AlertMessagesCleared(); }
    void AlertCountChanged(const AccountSettings& account, int change) override {
        Q_EMIT scheduler_.CountChangeAlerted(account, change);
    }

private:
    CheckScheduler& scheduler_;
};

// The lines naming the new messages; none when nobody asked, or reading them failed (the
// count found stands).
NamedNewMail ReadNewMail(const NewMailReader& reader,
                         const std::vector<NewMessageHeader>& headers) {
    if (!reader || headers.empty()) return {};
    try {
        return reader(headers);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

CheckScheduler::CheckScheduler(QObject* parent)
    : QObject(parent), thread_(new QThread(this)), worker_(new QObject), runner_(CheckAccount) {
    thread_->setObjectName(QStringLiteral("check"));
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(this, &CheckScheduler::WorkerDone, this, &CheckScheduler::OnWorkerDone,
            Qt::QueuedConnection);
    thread_->start();
}

CheckScheduler::~CheckScheduler() {
    // After an explicit Stop the owner has waited already.
    if (Stop(stopped_ ? std::chrono::milliseconds(0) : kStopWait)) return;
    // A worker still resolving a host name cannot be waited for any longer: it is left to
    // the end of the process.
    thread_->setParent(nullptr);
}

bool CheckScheduler::Start(CheckRequest request) {
    if (busy_ || stopped_) return false;
    busy_ = true;
    interrupt_ = std::make_shared<InterruptSignal>();
    request.options.interrupt = interrupt_;
    QMetaObject::invokeMethod(
        worker_, [this, request = std::move(request), runner = runner_] { Run(request, runner); },
        Qt::QueuedConnection);
    return true;
}

void CheckScheduler::Run(const CheckRequest& request, const Runner& runner) {
    CheckOutcome outcome;
    outcome.index = request.index;
    outcome.account = request.account;
    SignallingNotifier notifier(*this);
    try {
        outcome.result = runner(request.account, request.options, request.alertDue, notifier,
                                request.readNewMail ? kNewHeaderLimit : 0);
        outcome.newMail = ReadNewMail(request.readNewMail, outcome.result.newHeaders);
        outcome.result.newHeaders.clear();
    } catch (const Cancelled&) {
        outcome.cancelled = true;
    } catch (const std::exception& error) {
        outcome.error = error.what();
    } catch (...) {
        outcome.error = "Unknown error";
    }
    Q_EMIT WorkerDone(outcome);
}

void CheckScheduler::OnWorkerDone(const CheckOutcome& outcome) {
    busy_ = false;
    interrupt_.reset();
    Q_EMIT Finished(outcome);
}

bool CheckScheduler::Stop(std::chrono::milliseconds wait) {
    stopped_ = true;
    if (interrupt_) interrupt_->Raise();
    thread_->quit();
    return thread_->wait(QDeadlineTimer(wait.count()));
}

void ForwardNotifications(CheckScheduler& scheduler, CheckNotifier& target) {
    QObject::connect(&scheduler, &CheckScheduler::TrayHintChanged, &scheduler,
                     [&target](const std::string& hint) { target.SetTrayHint(hint); });
    QObject::connect(&scheduler, &CheckScheduler::NewMailIconShown, &scheduler,
                     [&target](int arrived) { target.ShowNewMailIcon(arrived); });
    QObject::connect(&scheduler, &CheckScheduler::AlertMessagesCleared, &scheduler,
                     [&target] { target.ClearAlertMessages(); });
    QObject::connect(&scheduler, &CheckScheduler::CountChangeAlerted, &scheduler,
                     [&target](const AccountSettings& account, int change) {
                         target.AlertCountChanged(account, change);
                     });
}
