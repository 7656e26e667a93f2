#include "list/ui/list_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <exception>

#include "app/application.h"
#include "check/check_cycle.h"
#include "check/session.h"
#include "list/ui/header_list_model.h"
#include "platform/pop_command.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "settings/text_utils.h"

namespace {

constexpr const char* kWindowName = "popListWindow";
enum ProgressMode { kListingMode = 0, kMessageMode = 1 };

}  // namespace

MailboxWindow::MailboxWindow()
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QString::fromLatin1(kWindowName));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildWindow();
    FormCreate();
}

MailboxWindow::~MailboxWindow() {
    EndAccountSessions();
    ListWindowHandle = nullptr;
    PostPopCommand(MainForm(), PopCommand::ChildClosed);
}

void MailboxWindow::FormCreate() {
    setWindowTitle(QStringLiteral("  ") + ToQt(GetLangText("preview_messages_window")));
    currentSession = nullptr;
    currentAccount.clear();
    CancelRequested = false;
    LoadLayout();
    FillAccountBox();
    Panel3->setText(ToQt(GetLangText("message_header") + std::string(14, ' ')));
    UpdateCommands();
}

void MailboxWindow::EndRetrieval(bool startKeepAlive) {
    HideProgress();
    if (cancelledByUser_) {
        // What is left to see: the rows a stopped listing had made, or nothing.
        cancelledByUser_ = false;
        const int rows = model_->rowCount();
        const std::string cancelled = GetLangText("list_cancelled");
        SetStatus(1, rows > 0 ? ItemsCountText(static_cast<std::size_t>(rows)) + " - " + cancelled
                              : "   " + cancelled);
    }
    keepAliveTimer_->setInterval(keepAliveInterval_);
    if (startKeepAlive) keepAliveTimer_->start();
    ListBusy = false;
    UpdateCommands();
    if (openPendingLater_) {
        openPendingLater_ = false;
        PostPopCommand(this, PopCommand::ListOpenPending);
    }
}

void MailboxWindow::SetKeepAliveInterval(int milliseconds) {
    keepAliveInterval_ = milliseconds;
    keepAliveTimer_->setInterval(milliseconds);
}

AccountSession* MailboxWindow::AccountCheck(int index) const {
    if (index < 0 || index >= static_cast<int>(checks_.size())) return nullptr;
    return checks_[static_cast<std::size_t>(index)].get();
}

int MailboxWindow::SelectedAccount() const {
    const int index = list->currentIndex();
    return AccountCheck(index) != nullptr ? index : -1;
}

AccountSession* MailboxWindow::SelectedCheck() const {
    return AccountCheck(list->currentIndex());
}

int MailboxWindow::SelectedRowIndex() const {
    const QModelIndex current = headers->currentIndex();
    return current.isValid() ? current.row() : -1;
}

MessageRow* MailboxWindow::SelectedRow() const {
    return model_->Row(SelectedRowIndex());
}

// A status shows on one line: a server's message keeps no line break.
void MailboxWindow::SetStatus(int panel, const std::string& text) {
    QString line = ToQt(text);
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    statusPanel_[panel]->setText(line);
}

// Empty views are captioned as the header view they are again.
void MailboxWindow::ClearViews() {
    header_list->clear();
    ClearPane();
    Panel3->setText(ToQt(GetLangText("message_header") + std::string(14, ' ')));
}

// An empty pane shows no retrieved message: nothing is left to save.
void MailboxWindow::ClearPane() {
    SetPane({});
    if (paneState_ == PaneState::Message) paneState_ = PaneState::Header;
}

// A command's error goes to the program's error handler, which shows it in status panel 1.
void MailboxWindow::RunGuarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ReportUnhandledError(error.what());
    }
}

bool MailboxWindow::event(QEvent* event) {
    if (event->type() == PopCommandEvent::EventType()) {
        const auto* command = static_cast<PopCommandEvent*>(event);
        if (command->wParam == PopCommand::ListOpenPending && ListBusy) {
            // Opened when the running retrieval ends; never inside it.
            openPendingLater_ = true;
        } else if (command->wParam == PopCommand::ListOpenPending && HasText(PendingAccount)) {
            RunGuarded([this] { OpenPendingAccount(); });
        } else if (command->wParam == PopCommand::ListShowError) {
            SetStatus(1, LastErrorText);
        }
        return true;
    }
    return QWidget::event(event);
}

void MailboxWindow::OpenPendingAccount() {
    list->setCurrentIndex(list->findText(ToQt(PendingAccount), Qt::MatchExactly));
    PendingAccount.clear();
    onAccountChosen();
    actHeadersExecute();
}

void MailboxWindow::onAccountChosen() {
    if (SelectedAccount() < 0) {
        UpdateCommands();
        return;
    }
    headers->setFocus();
    const std::string selected = FromQt(list->currentText());
    if (selected == currentAccount) return;
    currentAccount = selected;
    CancelRequested = true;
    SetStatus(1, "");
    CloseSession();
    model_->Clear();
    ClearViews();
    SetStatus(1, "   " + LastResultText(SelectedCheck()->params));
    SetStatus(0, currentAccount);
    UpdateCommands();
}

void MailboxWindow::UpdateCommands() {
    // A cancel is handled here once nothing runs: while a listing or a fetch runs, the rows
    // and the entry being filled must stay.
    if (CancelRequested && !ListBusy) {
        model_->Clear();
        ClearViews();
        CloseSession();
        CancelRequested = false;
    }
    const AccountSession* check = SelectedCheck();
    const bool selected = check != nullptr;
    const bool connected = selected && check->session && check->session->IsConnected();
    const MessageRow* row = SelectedRow();
    const bool haveRow = connected && row != nullptr && row->entry != nullptr;
    const bool busy = !ProgressBar->isHidden();
    const bool haveRows = model_->rowCount() > 0;
    list->setEnabled(!busy);
    actHeaders->setEnabled(selected && !busy);
    retrieve_headers_mm->setEnabled(selected && !busy);
    for (QAction* action : {actDelete, actRetrieve, actToggleSpam})
        action->setEnabled(haveRow && !busy);
    for (QAction* action :
         {actDeleteSpam, actToggleAllSpam, actToggleNoSpam, actSpamSubject, actSpamSender})
        action->setEnabled(connected && !busy && haveRows);
    actSaveMessage->setEnabled(paneState_ == PaneState::Message);
}

void MailboxWindow::ShowProgress(int mode, const char* key) {
    progressMode_ = mode;
    ProgressBar->setValue(0);
    progress_label->setText(ToQt(GetLangText(key)));
    bcancel->show();
    ProgressBar->show();
    progress_label->show();
    label_list_help_text->hide();
    UpdateCommands();
}

void MailboxWindow::HideProgress() {
    progress_label->hide();
    ProgressBar->hide();
    bcancel->hide();
    label_list_help_text->show();
    UpdateCommands();
}

void MailboxWindow::CloseSession() {
    if (currentSession != nullptr && currentSession->IsConnected()) currentSession->QuitAndClose();
    currentSession = nullptr;
}

void MailboxWindow::onKeepAliveTimer() {
    if (currentSession != nullptr && currentSession->IsConnected()) currentSession->SendNoop();
    keepAliveTimer_->setInterval(keepAliveInterval_);
    keepAliveTimer_->start();
}

void MailboxWindow::SessionStatus(Pop3Client& sender, StatusKind kind, int value) {
    switch (kind) {
        case StatusKind::Connect:
            keepAliveTimer_->setInterval(keepAliveInterval_);
            keepAliveTimer_->start();
            break;
        case StatusKind::Disconnect:
            keepAliveTimer_->stop();
            break;
        case StatusKind::Read:
            if (!ProgressBar->isHidden() && progressMode_ == kMessageMode) {
                ProgressBar->setValue(value);
                if (CancelRequested) sender.AbortConnection();
            }
            break;
        default:
            break;
    }
    PumpMessages();
}

// Handles pending window messages during a session, so that painting, the cancel button and
// the close box work. A listing reports several events per message; handling them every few
// hundredths of a second is as quick for the user and keeps painting from costing more than
// the listing.
void MailboxWindow::PumpMessages() {
    constexpr qint64 kPumpEveryMs = 25;
    if (lastPump_.isValid() && !lastPump_.hasExpired(kPumpEveryMs)) return;
    QCoreApplication::processEvents();
    lastPump_.start();
}

bool MailboxWindow::FormCloseQuery() {
    CancelRequested = true;
    return !ListBusy;
}

void MailboxWindow::FormClose() {
    keepAliveTimer_->stop();
    model_->Clear();
    EndAccountSessions();
    SaveLayout();
}

// Each holder ends its session with QUIT, last account first; no report comes back to this
// window any more.
void MailboxWindow::EndAccountSessions() {
    currentSession = nullptr;
    while (!checks_.empty()) {
        std::unique_ptr<AccountSession>& check = checks_.back();
        if (check->session) check->session->statusHandler = nullptr;
        check.reset();
        checks_.pop_back();
    }
}

void MailboxWindow::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    try {
        FormClose();
    } catch (const std::exception& error) {
        // The window closes all the same; the failure reaches the program's error handler
        // from the event loop once the window is gone.
        QTimer::singleShot(0, QCoreApplication::instance(), [message = std::string(error.what())] {
            ReportUnhandledError(message);
        });
    }
    event->accept();
}

void MailboxWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QList<int> sizes = bottomSplitter_->sizes();
    if (sizes.size() != 2) return;
    const int memoWidth = TextPaneWidth(sizes[1], width());
    if (memoWidth != sizes[1])
        bottomSplitter_->setSizes({sizes[0] + sizes[1] - memoWidth, memoWidth});
}

void OpenListWindow() {
    if (QWidget* open = ListWindowHandle.data()) {
        BringToFront(open);
        PostPopCommand(open, PopCommand::ListOpenPending);
        return;
    }
    auto* created = new MailboxWindow;
    ListWindowHandle = created;
    created->show();
    QPointer<MailboxWindow> window(created);
    QCoreApplication::processEvents();
    if (!window) return;
    try {
        if (HasText(PendingAccount)) {
            window->OpenPendingAccount();
        } else if (window->AccountCheck(0) != nullptr) {
            window->findChild<QComboBox*>(QStringLiteral("list"))->setCurrentIndex(0);
            window->onAccountChosen();
        }
    } catch (const std::exception& error) {
        ReportUnhandledError(error.what());
    }
    if (window) window->UpdateCommands();
}
