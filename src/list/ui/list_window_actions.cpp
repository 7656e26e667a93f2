// The commands of the list window that change the mailbox or the marks, its keys and help.

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QTreeWidget>

#include "check/check_cycle.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "spam/spam_filter.h"

namespace {

QString Text(const char* key) {
    return ToQt(GetLangText(key));
}

}  // namespace

// After a deletion no row is chosen, as the emptied views say.
void MailboxWindow::onRowsDeleted() {
    headers->setCurrentIndex(QModelIndex());
    headers->clearSelection();
    ClearViews();
    UpdateCommands();
}

void MailboxWindow::actDeleteExecute() {
    const MessageRow* row = SelectedRow();
    if (row == nullptr || row->entry == nullptr || !controller_->Connected()) return;
    // Taken before the question waits: the row may be gone when it is answered.
    const MessageIdentity identity{row->entry->number, row->entry->uid};
    if (AskYesNo(this, Text("delete_mail_dialog_title"), Text("delete_mail_dialog"))) {
        controller_->DeleteMessages({identity});
    } else {
        SetStatus(1, ItemsCountText(static_cast<std::size_t>(model_->rowCount())));
    }
    UpdateCommands();
}

void MailboxWindow::actDeleteSpamExecute() {
    if (SelectedAccount() < 0) return;
    const std::size_t marked = CountSpamRows(model_->Rows());
    if (marked == 0) {
        ShowMessageBox(this, Text("no_spam_dialog_title"), Text("no_spam_dialog"),
                       QMessageBox::Information);
        return;
    }
    if (!AskYesNo(this, Text("delete_all_spam_dialog_title"), ToQt(DeleteSpamQuestion(marked)))) {
        // As after a deletion: the panes empty, the count stored and shown.
        ClearViews();
        StoreCount(*controller_->Account(), model_->rowCount());
        SetStatus(1, ItemsCountText(static_cast<std::size_t>(model_->rowCount())));
        return;
    }
    std::vector<MessageIdentity> targets;
    for (const std::size_t index : SpamRowsBottomUp(model_->Rows())) {
        const MailMessage& entry = *model_->Rows()[index].entry;
        targets.push_back({entry.number, entry.uid});
    }
    controller_->DeleteMessages(targets);
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

void MailboxWindow::MarkFromRule(RuleKind kind, const std::string& text) {
    const int index = SelectedRowIndex();
    if (AddSpamRule(kind, text) >= 0) model_->SetSpam(index, true);
}

void MailboxWindow::actSpamSubjectExecute() {
    if (const MessageRow* row = SelectedRow()) MarkFromRule(RuleKind::Subject, row->subjectText);
}

void MailboxWindow::actSpamSenderExecute() {
    const MessageRow* row = SelectedRow();
    if (row != nullptr && row->entry != nullptr)
        MarkFromRule(RuleKind::Sender, row->entry->from.address);
}

void MailboxWindow::actCancelExecute() {
    ClearViews();
    cancelledByUser_ = controller_->Busy();
    controller_->Cancel();
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
