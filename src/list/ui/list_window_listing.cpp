// The header listing of the list window, its order, and the header view of the selected row.

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QTreeWidget>

#include "app/application.h"
#include "list/header_view.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "platform/message_box.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "settings/scope_guard.h"

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
    if (SelectedAccount() < 0) return;
    ClearViews();
    if (controller_->ListHeaders(ProgramState().Filter()))
        ShowProgress(0, "retrieve_headers_progress");
}

void MailboxWindow::onListingFailed(const QString& title, const QString& message) {
    QWidget* owner = QApplication::activeWindow() != nullptr ? QApplication::activeWindow() : this;
    ShowMessageBox(owner, title, message, QMessageBox::Critical);
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
    const ScopeGuard shown([this] { bottomPanel_->setUpdatesEnabled(true); });
    if (!row->entry->bodyLines.empty() || !row->entry->parts.empty()) {
        ShowMessageContent(*row->entry);
    } else {
        SetPane(HeaderPaneLines(*row->entry));
    }
    UpdateCommands();
}
