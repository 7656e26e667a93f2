// The commands of the list window: fetching headers and messages, saving, deleting, the spam
// marks and rules, cancel; its keys and the list menu.

#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "check/check_cycle.h"
#include "list/ui/account_bar.h"
#include "list/ui/header_list.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "list/ui/message_pane.h"
#include "settings/language.h"
#include "spam/spam_filter.h"
#include "state/app_state.h"
#include "widgets/help.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"

void MailboxWindow::FetchHeadersOf(const QString& email) {
    accountBar_->Choose(email);
    onAccountChosen();
    if (actions_.headers->isEnabled()) FetchHeaders();
}

void MailboxWindow::FetchHeaders() {
    if (SelectedAccount() < 0) return;
    pane_->Clear();
    if (controller_->ListHeaders(state_.Filter()))
        ShowProgress(ProgressMode::Listing, "retrieve_headers_progress");
}

void MailboxWindow::ShowWholeMessage() {
    const MessageRow* row = headers_->ChosenRow();
    if (row == nullptr || row->entry == nullptr || SelectedAccount() < 0) return;
    if (!AskYesNo(this, Text("retrieve_mail_dialog_title"), Text("retrieve_mail_dialog"))) return;
    if (!controller_->FetchMessage(row->entry->id)) return;
    ShowProgress(ProgressMode::Message, "retrieve_message_progress");
    pane_->ClearText();
}

void MailboxWindow::SaveMessage() {
    const MessageRow* row = headers_->ChosenRow();
    if (row != nullptr && row->entry != nullptr) pane_->SaveMessage(*row->entry);
}

void MailboxWindow::DeleteMessage() {
    const MessageRow* row = headers_->ChosenRow();
    if (row == nullptr || row->entry == nullptr || !controller_->Connected()) return;
    // Taken before the question waits: the row may be gone when it is answered.
    const MessageIdentity identity{row->entry->id, row->entry->uniqueId};
    if (AskYesNo(this, Text("delete_mail_dialog_title"), Text("delete_mail_dialog"))) {
        controller_->DeleteMessages({identity});
    } else {
        SetStatus(1, ItemsCountText(static_cast<std::size_t>(model_->rowCount())));
    }
    UpdateCommands();
}

void MailboxWindow::DeleteAllSpam() {
    if (SelectedAccount() < 0) return;
    const std::size_t marked = CountSpamRows(model_->Rows());
    if (marked == 0) {
        ShowMessageBox(this, Text("no_spam_dialog_title"), Text("no_spam_dialog"),
                       QMessageBox::Information);
        return;
    }
    if (!AskYesNo(this, Text("delete_all_spam_dialog_title"), ToQt(DeleteSpamQuestion(marked)))) {
        // As after a deletion: the panes empty, the count stored and shown.
        pane_->Clear();
        StoreShownMailbox(*controller_->Account(), ShownMailboxOf(model_->Rows()));
        SetStatus(1, ItemsCountText(static_cast<std::size_t>(model_->rowCount())));
        return;
    }
    std::vector<MessageIdentity> targets;
    for (const std::size_t index : SpamRowsBottomUp(model_->Rows())) {
        const MailMessage& entry = *model_->Rows()[index].entry;
        targets.push_back({entry.id, entry.uniqueId});
    }
    controller_->DeleteMessages(targets);
    UpdateCommands();
}

void MailboxWindow::ToggleSpamMark() {
    const int index = headers_->ChosenIndex();
    if (const MessageRow* row = model_->Row(index)) model_->SetSpam(index, !row->spam);
}

void MailboxWindow::MarkAllAsSpam() {
    model_->SetAllSpam(true);
}

void MailboxWindow::ClearSpamMarks() {
    model_->SetAllSpam(false);
}

void MailboxWindow::MarkFromRule(RuleKind kind, const std::string& text) {
    const int index = headers_->ChosenIndex();
    if (state_.AddSpamRule(kind, text) >= 0) model_->SetSpam(index, true);
}

void MailboxWindow::AddSubjectRule() {
    if (const MessageRow* row = headers_->ChosenRow())
        MarkFromRule(RuleKind::Subject, row->subjectText);
}

void MailboxWindow::AddSenderRule() {
    const MessageRow* row = headers_->ChosenRow();
    if (row != nullptr && row->entry != nullptr)
        MarkFromRule(RuleKind::Sender, row->entry->from.address);
}

void MailboxWindow::CancelRequest() {
    pane_->Clear();
    cancelledByUser_ = controller_->Busy();
    controller_->Cancel();
}

void MailboxWindow::OpenListMenu() {
    const QWidget* box = accountBar_->AccountBox();
    actions_.listMenu->popup(box->mapToGlobal(QPoint(box->width(), box->height())));
}

// The keys of the header list, the account box, the header view and the text pane; true when
// the key was used.
bool MailboxWindow::HandleKey(QWidget* control, int key) {
    if (key == Qt::Key_F1) {
        int tag = static_cast<int>(ListHelpTag::Window);
        if (control == pane_->HeaderView()) tag = static_cast<int>(ListHelpTag::HeaderView);
        if (control == pane_->TextView()) tag = static_cast<int>(pane_->State());
        ShowHelpTopic(ListHelpTopic(tag));
        return true;
    }
    if (key == Qt::Key_F10) {
        OpenListMenu();
        return true;
    }
    if (control != headers_) return false;
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Insert) {
        actions_.toggleSpam->trigger();
        return true;
    }
    if (key == Qt::Key_Delete) {
        actions_.remove->trigger();
        return true;
    }
    return false;
}

bool MailboxWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        bool used = false;
        RunGuarded([&] { used = HandleKey(widget, key); });
        if (used) return true;
    }
    return QWidget::eventFilter(watched, event);
}
