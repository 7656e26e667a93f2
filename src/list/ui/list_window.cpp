#include "list/ui/list_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <exception>

#include "check/check_cycle.h"
#include "list/ui/account_bar.h"
#include "list/ui/header_list.h"
#include "list/ui/header_list_model.h"
#include "list/ui/message_pane.h"
#include "platform/unhandled_error.h"
#include "session/session_options.h"
#include "settings/language.h"
#include "settings/text_utils.h"
#include "state/app_state.h"
#include "widgets/child_window.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

constexpr const char* kWindowName = "popListWindow";

// What a session said as it ended, also after its window has gone.
void ShowSessionNote(const QString& email, const QString& note) {
    ShowMessageBox(QApplication::activeWindow(), email, note, QMessageBox::Information);
}

}  // namespace

MailboxWindow::MailboxWindow(AppState& state, SessionFactory factory)
    : ChildWindow(WindowKind::List, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      state_(state) {
    setObjectName(QString::fromLatin1(kWindowName));
    controller_ = new MailboxController(
        factory ? std::move(factory) : AccountSessions(state_.TlsAvailable()), this);
    controller_->SetNoteHandler(&ShowSessionNote);
    model_ = controller_->Rows();
    BuildWindow();
    ConnectController();
    setWindowTitle(QStringLiteral("  ") + ToQt(GetLangText("preview_messages_window")));
    LoadLayout();
    FillAccountBox();
    UpdateCommands();
    connect(&state_, &AppState::accountsChanged, this, [this] {
        FillAccountBox();
        UpdateCommands();
    });
}

void MailboxWindow::ConnectController() {
    MailboxController* c = controller_;
    connect(c, &MailboxController::statusChanged, this,
            [this](int panel, const QString& text) { SetStatus(panel, FromQt(text)); });
    connect(c, &MailboxController::progressChanged, this, &MailboxWindow::ShowRequestProgress);
    connect(c, &MailboxController::listingFailed, this, &MailboxWindow::onListingFailed);
    connect(c, &MailboxController::messageFetched, this, &MailboxWindow::onMessageFetched);
    connect(c, &MailboxController::rowsDeleted, this, &MailboxWindow::onRowsDeleted);
    connect(c, &MailboxController::failed, this,
            [](const QString& message) { ReportUnhandledError(FromQt(message)); });
    connect(c, &MailboxController::certificateFailed, this,
            [this](const TrustRequest& request) { state_.SetTrustQuestion(request); });
    // The listing that failed on the certificate goes on once the user trusts it.
    connect(&state_, &AppState::certificateTrusted, this, [this](const QString& email) {
        const std::optional<AccountSettings> shown = ChosenAccount();
        if (shown && ToQt(shown->email) == email && !controller_->Busy() &&
            !controller_->Connected()) {
            controller_->SetAccount(*shown);  // as the account box has it now
            RunGuarded([this] { FetchHeaders(); });
        }
    });
    connect(c, &MailboxController::finished, this, &MailboxWindow::onRequestFinished);
    connect(c->Rows(), &QAbstractItemModel::modelReset, this, [this] {
        if (!controller_->Busy()) pane_->Clear();
        UpdateCommands();
    });
}

void MailboxWindow::onRequestFinished(MailboxController::Request request, bool cancelled) {
    HideProgress();
    if (request == MailboxController::Request::Listing) headers_->SortBy(kDateColumn);
    if (request == MailboxController::Request::Message && cancelled) pane_->Clear();
    if (cancelledByUser_) {
        // What is left to see: the rows a stopped listing had made, or nothing.
        cancelledByUser_ = false;
        const int rows = model_->rowCount();
        const std::string text = GetLangText("list_cancelled");
        SetStatus(1, rows > 0 ? ItemsCountText(static_cast<std::size_t>(rows)) + " - " + text
                              : "   " + text);
    }
    if (openPendingWhenIdle_) {
        openPendingWhenIdle_ = false;
        OpenPendingSoon();
    }
}

void MailboxWindow::ShowRequestProgress(int value, int maximum) {
    if (!accountBar_->ProgressShown()) return;
    if (progressMode_ == ProgressMode::Listing && accountBar_->ProgressMaximum() != maximum)
        accountBar_->SetProgressLabel(
            ToQt(CountedProgressText(GetLangText("retrieve_headers_progress"), maximum)));
    accountBar_->SetProgress(value, maximum);
}

void MailboxWindow::onListingFailed(const QString& title, const QString& message) {
    QWidget* owner = QApplication::activeWindow() != nullptr ? QApplication::activeWindow() : this;
    ShowMessageBox(owner, title, message, QMessageBox::Critical);
}

// The fetched message replaced the row's entry; it is shown when its row is still chosen.
void MailboxWindow::onMessageFetched(MessageId id) {
    const MessageRow* row = headers_->ChosenRow();
    if (row != nullptr && row->entry != nullptr && row->entry->id == id)
        pane_->ShowMessage(*row->entry);
}

// After a deletion no row is chosen, as the emptied views say.
void MailboxWindow::onRowsDeleted() {
    headers_->ClearChoice();
    pane_->Clear();
    UpdateCommands();
}

PaneState MailboxWindow::PaneStateNow() const {
    return pane_->State();
}

const AccountSettings* MailboxWindow::AccountAt(int index) const {
    if (index < 0 || index >= static_cast<int>(accounts_.size())) return nullptr;
    return &accounts_[static_cast<std::size_t>(index)];
}

int MailboxWindow::SelectedAccount() const {
    const int index = accountBar_->ChosenIndex();
    return AccountAt(index) != nullptr ? index : -1;
}

// A status shows on one line: a server's message keeps no line break.
void MailboxWindow::SetStatus(int panel, const std::string& text) {
    QString line = ToQt(text);
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    statusPanel_[panel]->setText(line);
}

// A command's error goes to the program's error handler, which shows it in status panel 1.
void MailboxWindow::RunGuarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ReportUnhandledError(error.what());
    }
}

void MailboxWindow::OpenPendingSoon() {
    QTimer::singleShot(0, this, [this] {
        if (controller_->Busy()) {
            // Opened when the running request ends.
            openPendingWhenIdle_ = true;
        } else if (HasText(state_.PendingAccount())) {
            RunGuarded([this] { OpenPendingAccount(); });
        }
    });
}

void MailboxWindow::ShowError(const QString& message) {
    SetStatus(1, FromQt(message));
}

void MailboxWindow::OpenPendingAccount() {
    accountBar_->Choose(ToQt(state_.PendingAccount()));
    state_.SetPendingAccount({});
    onAccountChosen();
    FetchHeaders();
}

void MailboxWindow::onAccountChosen() {
    const AccountSettings* account = AccountAt(SelectedAccount());
    if (account == nullptr || controller_->Busy()) {
        UpdateCommands();
        return;
    }
    headers_->setFocus();
    if (folderBoxAccount_ != account->email) {
        folderBoxAccount_ = account->email;
        FillFolderBox(*account);
    }
    const AccountSettings chosen = *ChosenAccount();
    const std::string selected = FromQt(accountBar_->ChosenText()) + "\n" + chosen.Folder();
    if (selected == currentAccount) return;
    currentAccount = selected;
    SetStatus(1, "");
    controller_->SetAccount(chosen);
    pane_->Clear();
    UpdateCommands();
}

void MailboxWindow::UpdateCommands() {
    const bool selected = SelectedAccount() >= 0;
    const bool connected = selected && controller_->Connected();
    const MessageRow* row = headers_->ChosenRow();
    const bool haveRow = connected && row != nullptr && row->entry != nullptr;
    const bool busy = controller_->Busy();
    const bool haveRows = model_->rowCount() > 0;
    const ListActions& a = actions_;
    accountBar_->AccountBox()->setEnabled(!busy);
    accountBar_->FolderBox()->setEnabled(!busy);
    a.headers->setEnabled(selected && !busy);
    accountMenu_->setEnabled(selected && !busy);
    for (QAction* action : {a.remove, a.retrieve, a.toggleSpam})
        action->setEnabled(haveRow && !busy);
    for (QAction* action :
         {a.deleteSpam, a.toggleAllSpam, a.toggleNoSpam, a.spamSubject, a.spamSender})
        action->setEnabled(connected && !busy && haveRows);
    a.cancel->setEnabled(busy);
    a.saveMessage->setEnabled(pane_->State() == PaneState::Message && !busy);
}

void MailboxWindow::ShowProgress(ProgressMode mode, const char* key) {
    progressMode_ = mode;
    accountBar_->ShowProgress(ToQt(GetLangText(key)));
    UpdateCommands();
}

void MailboxWindow::HideProgress() {
    accountBar_->HideProgress();
    UpdateCommands();
}

void MailboxWindow::closeEvent(QCloseEvent* event) {
    if (!controller_->RequestClose()) {
        cancelledByUser_ = true;  // the refused close stopped the request: the status says so
        event->ignore();
        return;
    }
    // The session ends with the controller (QUIT on its own thread); the window only keeps its
    // sizes.
    try {
        SaveLayout();
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
    pane_->FitTextWidth(width());
}

void MailboxWindow::ShowStartAccount() {
    RunGuarded([this] {
        if (HasText(state_.PendingAccount())) {
            OpenPendingAccount();
        } else if (AccountAt(0) != nullptr) {
            accountBar_->ChooseIndex(0);
            onAccountChosen();
        }
    });
    UpdateCommands();
}

void OpenListWindow(AppState& state) {
    auto* window = static_cast<MailboxWindow*>(
        OpenOrRaise(WindowKind::List, [&state] { return new MailboxWindow(state); }));
    if (window == nullptr) {
        static_cast<MailboxWindow*>(OpenWindow(WindowKind::List))->OpenPendingSoon();
        return;
    }
    window->ShowStartAccount();
}

bool HoldsMailbox(const std::optional<AccountSettings>& listed, const AccountSettings& account) {
    return listed && listed->protocol == MailProtocol::Pop3 &&
           AccountSection(*listed) == AccountSection(account);
}

bool ListWindowHolds(const AccountSettings& account) {
    const auto* window = qobject_cast<const MailboxWindow*>(OpenWindow(WindowKind::List));
    return window != nullptr && HoldsMailbox(window->Controller().Account(), account);
}

bool ListWindowBusy() {
    const auto* window = qobject_cast<const MailboxWindow*>(OpenWindow(WindowKind::List));
    return window != nullptr && window->Controller().Busy();
}
