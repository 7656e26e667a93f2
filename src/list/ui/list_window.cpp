#include "list/ui/list_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
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
#include "platform/message_box.h"
#include "platform/pop_command.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "settings/text_utils.h"

namespace {

constexpr const char* kWindowName = "popListWindow";
enum ProgressMode { kListingMode = 0, kMessageMode = 1 };

// What a session said as it ended, also after its window has gone.
void ShowSessionNote(const QString& email, const QString& note) {
    ShowMessageBox(QApplication::activeWindow(), email, note, QMessageBox::Information);
}

}  // namespace

MailboxWindow::MailboxWindow(SessionFactory factory)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QString::fromLatin1(kWindowName));
    setAttribute(Qt::WA_DeleteOnClose);
    controller_ =
        new MailboxController(factory ? std::move(factory) : AccountSessions(TlsAvailable), this);
    controller_->SetNoteHandler(&ShowSessionNote);
    BuildWindow();
    ConnectController();
    FormCreate();
    connect(&ProgramState(), &AppState::accountsChanged, this, [this] {
        FillAccountBox();
        UpdateCommands();
    });
}

MailboxWindow::~MailboxWindow() {
    ListWindowHandle = nullptr;
    PostPopCommand(MainForm(), PopCommand::ChildClosed);
}

void MailboxWindow::FormCreate() {
    setWindowTitle(QStringLiteral("  ") + ToQt(GetLangText("preview_messages_window")));
    currentAccount.clear();
    LoadLayout();
    FillAccountBox();
    Panel3->setText(ToQt(GetLangText("message_header") + std::string(14, ' ')));
    UpdateCommands();
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
            [](const TrustRequest& request) { PendingTrustQuestion = request; });
    connect(c, &MailboxController::finished, this, &MailboxWindow::onRequestFinished);
    connect(c->Rows(), &QAbstractItemModel::modelReset, this, [this] {
        if (!controller_->Busy()) ClearViews();
        UpdateCommands();
    });
}

void MailboxWindow::onRequestFinished(MailboxController::Request request, bool cancelled) {
    HideProgress();
    if (request == MailboxController::Request::Listing) headersColumnClick(kDateColumn);
    if (request == MailboxController::Request::Message && cancelled) ClearViews();
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
        PostPopCommand(this, PopCommand::ListOpenPending);
    }
}

void MailboxWindow::ShowRequestProgress(int value, int maximum) {
    if (ProgressBar->isHidden()) return;
    if (progressMode_ == kListingMode && ProgressBar->maximum() != maximum)
        progress_label->setText(
            ToQt(CountedProgressText(GetLangText("retrieve_headers_progress"), maximum)));
    ProgressBar->setMaximum(maximum);
    ProgressBar->setValue(value);
}

const AccountSettings* MailboxWindow::AccountAt(int index) const {
    if (index < 0 || index >= static_cast<int>(accounts_.size())) return nullptr;
    return &accounts_[static_cast<std::size_t>(index)];
}

int MailboxWindow::SelectedAccount() const {
    const int index = list->currentIndex();
    return AccountAt(index) != nullptr ? index : -1;
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
        if (command->wParam == PopCommand::ListOpenPending && controller_->Busy()) {
            // Opened when the running request ends.
            openPendingWhenIdle_ = true;
        } else if (command->wParam == PopCommand::ListOpenPending && HasText(PendingAccount)) {
            RunGuarded([this] { OpenPendingAccount(); });
        } else if (command->wParam == PopCommand::ListShowError) {
            SetStatus(1, FromQt(command->text));
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
    const AccountSettings* account = AccountAt(SelectedAccount());
    if (account == nullptr || controller_->Busy()) {
        UpdateCommands();
        return;
    }
    headers->setFocus();
    const std::string selected = FromQt(list->currentText());
    if (selected == currentAccount) return;
    currentAccount = selected;
    SetStatus(1, "");
    controller_->SetAccount(*account);
    ClearViews();
    UpdateCommands();
}

void MailboxWindow::UpdateCommands() {
    const bool selected = SelectedAccount() >= 0;
    const bool connected = selected && controller_->Connected();
    const MessageRow* row = SelectedRow();
    const bool haveRow = connected && row != nullptr && row->entry != nullptr;
    const bool busy = controller_->Busy();
    const bool haveRows = model_->rowCount() > 0;
    list->setEnabled(!busy);
    actHeaders->setEnabled(selected && !busy);
    retrieve_headers_mm->setEnabled(selected && !busy);
    for (QAction* action : {actDelete, actRetrieve, actToggleSpam})
        action->setEnabled(haveRow && !busy);
    for (QAction* action :
         {actDeleteSpam, actToggleAllSpam, actToggleNoSpam, actSpamSubject, actSpamSender})
        action->setEnabled(connected && !busy && haveRows);
    actCancel->setEnabled(busy);
    actSaveMessage->setEnabled(paneState_ == PaneState::Message && !busy);
}

void MailboxWindow::ShowProgress(int mode, const char* key) {
    progressMode_ = mode;
    ProgressBar->setMaximum(100);
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

void MailboxWindow::closeEvent(QCloseEvent* event) {
    if (!controller_->RequestClose()) {
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

// The session ends with the controller (QUIT on its own thread); the window only keeps its
// sizes.
void MailboxWindow::FormClose() {
    SaveLayout();
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
    auto* window = new MailboxWindow;
    ListWindowHandle = window;
    window->show();
    try {
        if (HasText(PendingAccount)) {
            window->OpenPendingAccount();
        } else if (window->AccountAt(0) != nullptr) {
            window->findChild<QComboBox*>(QStringLiteral("list"))->setCurrentIndex(0);
            window->onAccountChosen();
        }
    } catch (const std::exception& error) {
        ReportUnhandledError(error.what());
    }
    window->UpdateCommands();
}

bool ListWindowBusy() {
    const auto* window = qobject_cast<const MailboxWindow*>(ListWindowHandle.data());
    return window != nullptr && window->Controller().Busy();
}
