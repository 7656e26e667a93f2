// The message view of the list window: fetching one whole message, showing it as text, saving.

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QTreeWidget>
#include <exception>
#include <fstream>

#include "check/session.h"
#include "list/message_text.h"
#include "list/ui/busy_scope.h"
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
    CancelRequested = false;
    MessageRow* row = SelectedRow();
    AccountSession* check = SelectedCheck();
    if (row == nullptr || row->entry == nullptr || check == nullptr || !check->session) return;
    if (!AskYesNo(this, Text("retrieve_mail_dialog_title"), Text("retrieve_mail_dialog"))) return;
    // The entry stays where it is while rows move (a sort) or the selection changes.
    MailMessage& entry = *row->entry;
    Pop3Client& session = *check->session;
    ListBusy = true;
    keepAliveTimer_->stop();
    const BusyScope done([this] { EndRetrieval(true); });
    ShowProgress(1, "retrieve_message_progress");
    SetPane({});
    ProgressBar->setMaximum(std::max(session.MessageSize(entry.number), 0));
    entry.Clear();
    try {
        session.FetchMessage(entry.number, entry);
    } catch (const std::exception&) {
        // A dropped connection or a cancel: the entry shows what arrived.
        entry.ParseReceivedBody();
    }
    ShowMessageContent(entry);
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
