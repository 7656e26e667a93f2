// The message view of the list window: fetching one whole message, showing it as text, saving.

#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <fstream>

#include "list/message_text.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "list/ui/save_dialog.h"
#include "platform/message_box.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/errors.h"
#include "settings/language.h"

namespace {

QString Text(const char* key) {
    return ToQt(GetLangText(key));
}

}  // namespace

void MailboxWindow::actRetrieveExecute() {
    const MessageRow* row = SelectedRow();
    if (row == nullptr || row->entry == nullptr || SelectedAccount() < 0) return;
    if (!AskYesNo(this, Text("retrieve_mail_dialog_title"), Text("retrieve_mail_dialog"))) return;
    if (!controller_->FetchMessage(row->entry->number)) return;
    ShowProgress(1, "retrieve_message_progress");
    SetPane({});
}

// The fetched message replaced the row's entry; it is shown when its row is still selected.
void MailboxWindow::onMessageFetched(int number) {
    const MessageRow* row = SelectedRow();
    if (row != nullptr && row->entry != nullptr && row->entry->number == number)
        ShowMessageContent(*row->entry);
}

void MailboxWindow::ShowMessageContent(const MailMessage& entry) {
    SetPane({});
    const MessageContent content = ContentOf(entry);
    for (const HeaderRow& part : content.partRows) AddHeaderViewRow(part);
    Panel3->setText(ToQt(GetLangText("content_of_message") + std::string(14, ' ')));
    SetPane(content.lines);
    paneState_ = PaneState::Message;
    messageText_->setFocus();
}

void MailboxWindow::actSaveMessageExecute() {
    const MessageRow* row = SelectedRow();
    if (row == nullptr || row->entry == nullptr) return;
    const QStringList filters{Text("text_files_filter"), Text("all_files_filter")};
    const QString path = ChooseSaveFile(this, Text("save_message_title"), filters);
    if (path.isEmpty()) return;
    const std::string text = SavedMessageText(*row->entry, paneLines_);
    std::ofstream file(FromQt(path), std::ios::binary | std::ios::trunc);
    if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) throw TarnwickError("Cannot write the file \"" + FromQt(path) + "\".");
}
