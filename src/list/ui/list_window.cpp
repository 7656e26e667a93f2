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

TpopListWindow::TpopListWindow()
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QString::fromLatin1(kWindowName));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildWindow();
    FormCreate();
}

TpopListWindow::~TpopListWindow() {
    EndAccountSessions();
    ListWindowHandle = nullptr;
    PostPopCommand(MainForm(), PopCommand::ChildClosed);
}

void TpopListWindow::FormCreate() {
    setWindowTitle(QStringLiteral("  ") + ToQt(GetLangText("preview_messages_window")));
    currentSession = nullptr;
    currentAccount.clear();
    CancelRequested = false;
    LoadLayout();
    FillAccountBox();
    Panel3->setText(ToQt(GetLangText("message_header") + std::string(14, ' ')));
    UpdateCommands();
}

void TpopListWindow::EndRetrieval(bool startKeepAlive) {
    HideProgress();
    keept->setInterval(keepAliveInterval_);
    if (startKeepAlive) keept->start();
    ListBusy = false;
    UpdateCommands();
    if (openPendingLater_) {
        openPendingLater_ = false;
        PostPopCommand(this, PopCommand::ListOpenPending);
    }
}

void TpopListWindow::SetKeepAliveInterval(int milliseconds) {
    keepAliveInterval_ = milliseconds;
    keept->setInterval(milliseconds);
}

T_pop3check* TpopListWindow::AccountCheck(int index) const {
    if (index < 0 || index >= static_cast<int>(checks_.size())) return nullptr;
    return checks_[static_cast<std::size_t>(index)].get();
}

int TpopListWindow::SelectedAccount() const {
    const int index = list->currentIndex();
    return AccountCheck(index) != nullptr ? index : -1;
}

T_pop3check* TpopListWindow::SelectedCheck() const {
    return AccountCheck(list->currentIndex());
}

int TpopListWindow::SelectedRowIndex() const {
    const QModelIndex current = headers->currentIndex();
    return current.isValid() ? current.row() : -1;
}

T_list_row* TpopListWindow::SelectedRow() const {
    return model_->Row(SelectedRowIndex());
}

void TpopListWindow::SetStatus(int panel, const std::string& text) {
    statusPanel_[panel]->setText(ToQt(text));
}

void TpopListWindow::ClearViews() {
    header_list->clear();
    ClearPane();
}

// An empty pane shows no retrieved message: nothing is left to save.
void TpopListWindow::ClearPane() {
    SetPane({});
    if (paneState_ == PaneState::Message) paneState_ = PaneState::Header;
}

// A command's error goes to the program's error handler, which shows it in status panel 1.
void TpopListWindow::RunGuarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ReportUnhandledError(error.what());
    }
}

bool TpopListWindow::event(QEvent* event) {
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

void TpopListWindow::OpenPendingAccount() {
    list->setCurrentIndex(list->findText(ToQt(PendingAccount), Qt::MatchExactly));
    PendingAccount.clear();
    listSelect();
    actHeadersExecute();
}

void TpopListWindow::listSelect() {
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

void TpopListWindow::UpdateCommands() {
    // A cancel is handled here once nothing runs: while a listing or a fetch runs, the rows
    // and the entry being filled must stay.
    if (CancelRequested && !ListBusy) {
        model_->Clear();
        ClearPane();
        CloseSession();
        CancelRequested = false;
    }
    const T_pop3check* check = SelectedCheck();
    const bool selected = check != nullptr;
    const bool connected = selected && check->session && check->session->IsConnected();
    const T_list_row* row = SelectedRow();
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

void TpopListWindow::ShowProgress(int mode, const char* key) {
    progressMode_ = mode;
    ProgressBar->setValue(0);
    progress_label->setText(ToQt(GetLangText(key)));
    bcancel->show();
    ProgressBar->show();
    progress_label->show();
    label_list_help_text->hide();
    UpdateCommands();
}

void TpopListWindow::HideProgress() {
    progress_label->hide();
    ProgressBar->hide();
    bcancel->hide();
    label_list_help_text->show();
    UpdateCommands();
}

void TpopListWindow::CloseSession() {
    if (currentSession != nullptr && currentSession->IsConnected()) currentSession->QuitAndClose();
    currentSession = nullptr;
}

void TpopListWindow::keeptTimer() {
    if (currentSession != nullptr && currentSession->IsConnected()) currentSession->SendNoop();
    keept->setInterval(keepAliveInterval_);
    keept->start();
}

void TpopListWindow::SessionStatus(T_POP3& sender, StatusKind kind, int value) {
    switch (kind) {
        case StatusKind::Connect:
            keept->setInterval(keepAliveInterval_);
            keept->start();
            break;
        case StatusKind::Disconnect:
            keept->stop();
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
void TpopListWindow::PumpMessages() {
    constexpr qint64 kPumpEveryMs = 25;
    if (lastPump_.isValid() && !lastPump_.hasExpired(kPumpEveryMs)) return;
    QCoreApplication::processEvents();
    lastPump_.start();
}

bool TpopListWindow::FormCloseQuery() {
    CancelRequested = true;
    return !ListBusy;
}

void TpopListWindow::FormClose() {
    keept->stop();
    model_->Clear();
    EndAccountSessions();
    SaveLayout();
}

// Each holder ends its session with QUIT, last account first; no report comes back to this
// window any more.
void TpopListWindow::EndAccountSessions() {
    currentSession = nullptr;
    while (!checks_.empty()) {
        std::unique_ptr<T_pop3check>& check = checks_.back();
        if (check->session) check->session->statusHandler = nullptr;
        check.reset();
        checks_.pop_back();
    }
}

void TpopListWindow::closeEvent(QCloseEvent* event) {
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

void TpopListWindow::resizeEvent(QResizeEvent* event) {
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
    auto* created = new TpopListWindow;
    ListWindowHandle = created;
    created->show();
    QPointer<TpopListWindow> window(created);
    QCoreApplication::processEvents();
    if (!window) return;
    try {
        if (HasText(PendingAccount)) {
            window->OpenPendingAccount();
        } else if (window->AccountCheck(0) != nullptr) {
            window->findChild<QComboBox*>(QStringLiteral("list"))->setCurrentIndex(0);
            window->listSelect();
        }
    } catch (const std::exception& error) {
        ReportUnhandledError(error.what());
    }
    if (window) window->UpdateCommands();
}
