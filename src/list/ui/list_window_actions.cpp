// The commands of the list window that change the mailbox or the marks, its keys and help.

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QTreeWidget>

#include "check/check_cycle.h"
#include "check/session.h"
#include "list/message_deletion.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "spam/spam_filter.h"

namespace {

QString Text(const char* key) {
    return ToQt(GetLangText(key));
}

enum RuleKind : std::int32_t { kSubjectRule = 0, kSenderRule = 1 };

// The index of the row holding `entry`; -1 when the list no longer has it.
int RowOf(HeaderListModel& model, const MailMessage* entry) {
    const auto& rows = model.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].entry.get() == entry) return static_cast<int>(i);
    return -1;
}

// Deletes the messages of the entries that the list still holds, each by its identity, and
// removes the rows of those deleted. The entries are taken before a question's wait: the list
// may have been fetched again meanwhile. Returns why not all were deleted ("" when they were).
std::string DeleteEntries(HeaderListModel& model, Pop3Client& session,
                          const std::vector<const MailMessage*>& entries) {
    std::vector<const MailMessage*> listed;
    std::vector<MessageIdentity> targets;
    for (const MailMessage* entry : entries) {
        if (entry == nullptr || RowOf(model, entry) < 0) continue;
        listed.push_back(entry);
        targets.push_back({entry->number, entry->uid});
    }
    const DeletionResult result = DeleteMessages(session, targets);
    for (const std::size_t index : result.deleted) model.RemoveRow(RowOf(model, listed[index]));
    return result.error;
}

// A deletion that stopped fails the command as a refused DELE does.
void ThrowDeletionError(const std::string& error) {
    if (!error.empty()) throw TarnwickError(error);
}

}  // namespace

void MailboxWindow::RefreshCount(AccountSession& check) {
    header_list->clear();
    ClearPane();
    StoreCount(check.params, model_->rowCount());
}

void MailboxWindow::actDeleteExecute() {
    CancelRequested = false;
    const MessageRow* row = model_->Row(SelectedRowIndex());
    const MailMessage* entry = row != nullptr ? row->entry.get() : nullptr;
    AccountSession* check = SelectedCheck();
    if (entry != nullptr && check != nullptr && check->session &&
        AskYesNo(this, Text("delete_mail_dialog_title"), Text("delete_mail_dialog")) &&
        check->session) {
        ThrowDeletionError(DeleteEntries(*model_, *check->session, {entry}));
        RefreshCount(*check);
    }
    SetStatus(1, ItemsCountText(static_cast<std::size_t>(model_->rowCount())));
    UpdateCommands();
}

void MailboxWindow::actDeleteSpamExecute() {
    AccountSession* check = SelectedCheck();
    if (check == nullptr) return;
    const std::size_t marked = CountSpamRows(model_->Rows());
    if (marked == 0) {
        ShowMessageBox(this, Text("no_spam_dialog_title"), Text("no_spam_dialog"),
                       QMessageBox::Information);
        return;
    }
    if (AskYesNo(this, Text("delete_all_spam_dialog_title"), ToQt(DeleteSpamQuestion(marked))) &&
        check->session) {
        std::vector<const MailMessage*> entries;
        for (const std::size_t index : SpamRowsBottomUp(model_->Rows()))
            entries.push_back(model_->Rows()[index].entry.get());
        ThrowDeletionError(DeleteEntries(*model_, *check->session, entries));
    }
    RefreshCount(*check);
    SetStatus(1, ItemsCountText(static_cast<std::size_t>(model_->rowCount())));
    UpdateCommands();
}

void MailboxWindow::actToggleSpamExecute() {
    const int index = SelectedRowIndex();
    if (const MessageRow* row = model_->Row(index)) model_->SetSpam(index, !row->spam);
}

void MailboxWindow::actToggleAllSpamExecute() {
    model_->SetAllSpam(true);
}

void MailboxWindow::actToggleNoSpamExecute() {
    model_->SetAllSpam(false);
}

void MailboxWindow::MarkFromRule(int kind, const std::string& text) {
    const int index = SelectedRowIndex();
    if (AddSpamRule(kind, text) >= 0) model_->SetSpam(index, true);
}

void MailboxWindow::actSpamSubjectExecute() {
    if (const MessageRow* row = SelectedRow()) MarkFromRule(kSubjectRule, row->subjectText);
}

void MailboxWindow::actSpamSenderExecute() {
    const MessageRow* row = SelectedRow();
    if (row != nullptr && row->entry != nullptr)
        MarkFromRule(kSenderRule, row->entry->from.address);
}

void MailboxWindow::actCancelExecute() {
    ClearViews();
    CancelRequested = true;
}

void MailboxWindow::bhelpClick(int tag) {
    ShowHelpTopic(ListHelpTopic(tag));
}

void MailboxWindow::OpenListMenu() {
    popupm->popup(list->mapToGlobal(QPoint(list->width(), list->height())));
}

// The keys of the header list, the account box, the header view and the text pane; true when
// the key was used.
bool MailboxWindow::HandleKey(QWidget* control, int key) {
    if (key == Qt::Key_F1) {
        int tag = static_cast<int>(ListHelpTag::Window);
        if (control == header_list) tag = static_cast<int>(ListHelpTag::HeaderView);
        if (control == messageText_) tag = static_cast<int>(paneState_);
        bhelpClick(tag);
        return true;
    }
    if (key == Qt::Key_F10) {
        OpenListMenu();
        return true;
    }
    if (control != headers) return false;
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Insert) {
        actToggleSpam->trigger();
        return true;
    }
    if (key == Qt::Key_Delete) {
        actDelete->trigger();
        return true;
    }
    return false;
}

bool MailboxWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == help_label && event->type() == QEvent::MouseButtonRelease) {
        bhelpClick(static_cast<int>(ListHelpTag::Window));
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        bool used = false;
        RunGuarded([&] { used = HandleKey(widget, key); });
        if (used) return true;
    }
    return QWidget::eventFilter(watched, event);
}
