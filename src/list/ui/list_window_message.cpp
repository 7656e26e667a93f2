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

void TpopListWindow::actRetrieveExecute() {
    CancelRequested = false;
    T_list_row* row = SelectedRow();
    T_pop3check* check = SelectedCheck();
    if (row == nullptr || row->entry == nullptr || check == nullptr || !check->session) return;
    if (!AskYesNo(this, Text("retrieve_mail_dialog_title"), Text("retrieve_mail_dialog"))) return;
    // The entry stays where it is while rows move (a sort) or the selection changes.
    T_mail_entry& entry = *row->entry;
    T_POP3& session = *check->session;
    ListBusy = true;
    keept->stop();
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

void TpopListWindow::ShowMessageContent(const T_mail_entry& entry) {
    SetPane({});
    const T_message_content content = MessageContent(entry);
    for (const T_header_row& part : content.partRows) AddHeaderViewRow(part);
    Panel3->setText(ToQt(GetLangText("content_of_message") + std::string(14, ' ')));
    SetPane(content.lines);
    paneState_ = PaneState::Message;
    memo->setFocus();
}

void TpopListWindow::actSaveMessageExecute() {
    const T_list_row* row = SelectedRow();
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
