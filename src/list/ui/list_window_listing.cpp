// The header listing of the list window, its order, and the header view of the selected row.

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <exception>

#include "app/application.h"
#include "check/check_cycle.h"
#include "check/session.h"
#include "list/header_view.h"
#include "list/mailbox_listing.h"
#include "list/ui/busy_scope.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "platform/message_box.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

}  // namespace

void MailboxWindow::menuheaderClick(const QString& email) {
    list->setCurrentIndex(list->findText(email, Qt::MatchExactly));
    onAccountChosen();
    if (actHeaders->isEnabled()) actHeadersExecute();
}

void MailboxWindow::actHeadersExecute() {
    CancelRequested = false;
    AccountSession* check = SelectedCheck();
    if (check == nullptr) return;
    ListBusy = true;
    keepAliveTimer_->stop();
    const BusyScope done([this] { EndRetrieval(!CancelRequested); });
    ShowProgress(0, "retrieve_headers_progress");
    model_->Clear();
    ClearViews();
    SetStatus(0, check->params.email);
    SetStatus(1, CheckingText());
    if (RetrieveHeaders(*check)) {
        currentSession = check->session.get();
    } else {
        model_->Clear();
        CloseSession();
    }
    if (LastCheckSucceeded(check->params)) {
        SetStatus(1, ItemsCountText(static_cast<std::size_t>(model_->rowCount())));
    } else {
        SetStatus(1, "   " + LastResultText(check->params));
    }
    headersColumnClick(kDateColumn);
}

bool MailboxWindow::RetrieveHeaders(AccountSession& check) {
    // The session this window opened before for the account ends first: a mailbox that the
    // server locks would refuse the new login, and its deletions take effect now.
    if (check.session) {
        if (currentSession == check.session.get()) currentSession = nullptr;
        EndSession(check.session);
    }
    SessionOptions options = ProgramSessionOptions();
    options.statusHandler = [this](Pop3Client& sender, StatusKind kind, int value,
                                   const std::string&) { SessionStatus(sender, kind, value); };
    check.session = OpenSession(check.params, options);
    if (!check.session->IsConnected()) return false;
    ListBusy = true;
    Pop3Client& session = *check.session;
    const int count = session.messageCount;
    ProgressBar->setMaximum(std::max(count, 0));
    progress_label->setText(ToQt(CountedProgressText(FromQt(progress_label->text()), count)));
    try {
        std::vector<MessageRow> rows = ListHeaders(session, check.params.email, spamRules,
                                                   spamCriteria, [this](int doneCount, int total) {
                                                       ProgressBar->setMaximum(std::max(total, 0));
                                                       ProgressBar->setValue(doneCount - 1);
                                                       PumpMessages();
                                                       if (!CancelRequested) return true;
                                                       CancelRequested = false;
                                                       return false;
                                                   });
        model_->SetRows(std::move(rows));
        return session.IsConnected();
    } catch (const std::exception& error) {
        QWidget* owner =
            QApplication::activeWindow() != nullptr ? QApplication::activeWindow() : this;
        ShowMessageBox(owner, ToQt(check.params.email + " - error"), ToQt(error.what()),
                       QMessageBox::Critical);
        return false;
    }
}

void MailboxWindow::headersColumnClick(int column) {
    model_->sort(column);
    headers->header()->setSortIndicator(
        column, SortsDescending(column) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void MailboxWindow::AddHeaderViewRow(const HeaderRow& row) {
    auto* item = new QTreeWidgetItem(header_list, {ToQt(row.name), ToQt(row.value)});
    const QColor colour = IsRedHeaderName(row.name) ? kRed : kBlue;
    item->setForeground(0, colour);
    item->setForeground(1, colour);
}

void MailboxWindow::SetPane(const std::vector<std::string>& lines) {
    paneLines_ = lines;
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += QLatin1Char('\n');
        text += ToQt(lines[i]);
    }
    messageText_->setPlainText(text);
}

void MailboxWindow::headersSelectItem() {
    Panel3->setText(ToQt(GetLangText("message_header") + std::string(14, ' ')));
    paneState_ = PaneState::Header;
    const MessageRow* row = SelectedRow();
    if (row == nullptr || row->entry == nullptr) {
        UpdateCommands();
        return;
    }
    header_list->clear();
    for (const HeaderRow& line : HeaderViewRows(*row->entry)) AddHeaderViewRow(line);
    bottomPanel_->setUpdatesEnabled(false);
    {
        const BusyScope shown([this] { bottomPanel_->setUpdatesEnabled(true); });
        if (!row->entry->bodyLines.empty() || !row->entry->parts.empty()) {
            ShowMessageContent(*row->entry);
        } else {
            SetPane(HeaderPaneLines(*row->entry));
        }
    }
    UpdateCommands();
}
