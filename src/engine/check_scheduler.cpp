#include "engine/check_scheduler.h"

#include <QThread>
#include <mutex>

#include "engine/owner_link.h"
#include "net/interrupt.h"

struct CheckScheduler::Link : OwnerLink<CheckScheduler> {};

namespace {

// Hands the check cycle's notifications to the scheduler's signals, from the worker thread.
template <typename Link>
class SignallingNotifier final : public CheckNotifier {
public:
    explicit SignallingNotifier(Link& link) : link_(link) {}
    void SetTrayHint(const std::string& hint) override {
        link_.Post([hint](CheckScheduler& owner) { Q_EMIT owner.TrayHintChanged(hint); });
    }
    void ShowNewMailIcon(int arrived) override {
        link_.Post([arrived](CheckScheduler& owner) { Q_EMIT owner.NewMailIconShown(arrived); });
    }
    void ClearAlertMessages() override {
        link_.Post([](CheckScheduler& owner) { Q_EMIT owner.AlertMessagesCleared(); });
    }
    void AlertCountChanged(const AccountSettings& account, int change) override {
        link_.Post([account, change](CheckScheduler& owner) {
            Q_EMIT owner.CountChangeAlerted(account, change);
        });
    }

private:
    Link& link_;
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
    : QObject(parent),
      thread_(new QThread(this)),
      worker_(new QObject),
      runner_(CheckAccount),
      link_(std::make_shared<Link>()) {
    link_->owner = this;
    thread_->setObjectName(QStringLiteral("check"));
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_->start();
}

CheckScheduler::~CheckScheduler() {
    {
        const std::lock_guard lock(link_->mutex);
        link_->owner = nullptr;
    }
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
        worker_,
        [link = link_, request = std::move(request), runner = runner_] {
            Run(*link, request, runner);
        },
        Qt::QueuedConnection);
    return true;
}

void CheckScheduler::Run(Link& link, const CheckRequest& request, const Runner& runner) {
    CheckOutcome outcome;
    outcome.index = request.index;
    outcome.account = request.account;
    SignallingNotifier<Link> notifier(link);
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
    link.Post([outcome](CheckScheduler& owner) { owner.OnWorkerDone(outcome); });
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
