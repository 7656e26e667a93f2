#include "list/ui/message_pane.h"

#include <QAction>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <fstream>

#include "list/ui/list_window_parts.h"
#include "list/ui/save_dialog.h"
#include "message/header_view.h"
#include "message/message_text.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "settings/scope_guard.h"
#include "widgets/help.h"
#include "widgets/ui_text.h"

using namespace list_window_parts;

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

}  // namespace

MessagePane::MessagePane(const ListActions& actions, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel2"));
    QWidget* caption = BuildCaptionBar(actions);

    headerView_ = Named(new QTreeWidget, "header_list");
    headerView_->setRootIsDecorated(false);
    headerView_->setUniformRowHeights(true);
    headerView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    headerView_->setHeaderLabels({Text("header_key"), Text("header_value")});
    headerView_->header()->setSectionsClickable(false);
    headerView_->setAccessibleName(Text("message_header"));
    QFont viewFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    viewFont.setStyleHint(QFont::SansSerif);
    viewFont.setPointSize(9);
    headerView_->setFont(viewFont);
    Colour(headerView_, QPalette::Base, kListColour);
    ClampColumns(headerView_->header(), kHeaderViewColumns);

    messageText_ = Named(new QPlainTextEdit, "memo");
    messageText_->setReadOnly(true);
    messageText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    messageText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    messageText_->setMinimumWidth(kMemoMinimumWidth);
    QFont memoFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    memoFont.setPointSize(10);
    messageText_->setFont(memoFont);
    Colour(messageText_, QPalette::Base, kWindowColour);
    messageText_->setAccessibleName(Text("message_text"));
    // The viewport reads as focused with the pane: never as an unnamed stop of its own.
    messageText_->viewport()->setAccessibleName(messageText_->accessibleName());
    BuildMenus(actions);

    splitter_ = Named(new EvenSplitter(Qt::Horizontal), "Splitter2");
    splitter_->setHandleWidth(16);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(headerView_);
    splitter_->addWidget(messageText_);
    // The header fields and the message text share what the pane grows by.
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(caption);
    column->addWidget(splitter_, 1);
    SetCaption("message_header");
}

QWidget* MessagePane::BuildCaptionBar(const ListActions& actions) {
    auto* bar = Named(new QWidget, "Panel3Bar");
    bar->setFixedHeight(kCaptionBarHeight);
    auto* tools = Named(new QToolBar, "ToolBar3");
    tools->addActions({actions.retrieve, actions.remove});
    tools->addSeparator();
    tools->addAction(actions.saveMessage);
    NameToolButtons(tools);
    caption_ = Named(new QLabel, "Panel3");
    caption_->setTextFormat(Qt::PlainText);
    caption_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 2, 0);
    row->addWidget(MakeHelpButton("bhelp2"));
    row->addWidget(tools);
    row->addWidget(caption_, 1);
    return bar;
}

void MessagePane::BuildMenus(const ListActions& actions) {
    headerMenu_ = Named(new QMenu(this), "popuph");
    connect(headerMenu_->addAction(Text("what_is_it")), &QAction::triggered, this,
            [] { ShowHelpTopic(ListHelpTopic(static_cast<int>(ListHelpTag::HeaderView))); });
    headerView_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(headerView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        headerMenu_->popup(headerView_->viewport()->mapToGlobal(at));
    });

    textMenu_ = Named(new QMenu(this), "popupmemo");
    QAction* help = textMenu_->addAction(Text("what_is_it"));
    textMenu_->addSeparator();
    textMenu_->addAction(actions.saveMessage);
    connect(help, &QAction::triggered, this, [this] { ShowHelpTopic(PaneMenuHelpTopic(state_)); });
    messageText_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(messageText_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { textMenu_->popup(messageText_->mapToGlobal(at)); });
}

void MessagePane::SetCaption(const char* key) {
    caption_->setText(ToQt(GetLangText(key) + std::string(14, ' ')));
}

void MessagePane::Clear() {
    headerView_->clear();
    ClearText();
    if (state_ == PaneState::Message) state_ = PaneState::Header;
    SetCaption("message_header");
}

void MessagePane::ClearText() {
    SetLines({});
}

void MessagePane::SetLines(const std::vector<std::string>& lines) {
    lines_ = lines;
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += QLatin1Char('\n');
        text += ToQt(lines[i]);
    }
    messageText_->setPlainText(text);
}

void MessagePane::AddHeaderViewRow(const HeaderRow& row, bool red) {
    auto* item = new QTreeWidgetItem(headerView_, {ToQt(row.name), ToQt(row.value)});
    const QColor colour = red || IsRedHeaderName(row.name) ? kRed : kBlue;
    item->setForeground(0, colour);
    item->setForeground(1, colour);
}

void MessagePane::ShowHeader(const MailMessage* entry, const std::string& spamReason) {
    SetCaption("message_header");
    state_ = PaneState::Header;
    if (entry == nullptr) return;
    headerView_->clear();
    if (!spamReason.empty()) AddHeaderViewRow({GetLangText("server_verdict"), spamReason}, true);
    for (const HeaderRow& line : HeaderViewRows(*entry)) AddHeaderViewRow(line);
    setUpdatesEnabled(false);
    const ScopeGuard shown([this] { setUpdatesEnabled(true); });
    if (!entry->bodyLines.empty() || !entry->parts.empty()) {
        ShowMessage(*entry);
    } else {
        SetLines(HeaderPaneLines(*entry));
    }
}

void MessagePane::ShowMessage(const MailMessage& entry) {
    SetLines({});
    const MessageContent content = ContentOf(entry);
    for (const HeaderRow& part : content.partRows) AddHeaderViewRow(part);
    SetCaption("content_of_message");
    SetLines(content.lines);
    state_ = PaneState::Message;
    messageText_->setFocus();
}

void MessagePane::SaveMessage(const MailMessage& entry) {
    const QStringList filters{Text("text_files_filter"), Text("all_files_filter")};
    const QString path = ChooseSaveFile(window(), Text("save_message_title"), filters);
    if (path.isEmpty()) return;
    const std::string text = SavedMessageText(entry, lines_);
    std::ofstream file(FromQt(path), std::ios::binary | std::ios::trunc);
    if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) throw TarnwickError("Cannot write the file \"" + FromQt(path) + "\".");
}

void MessagePane::FitTextWidth(int windowWidth) {
    const QList<int> sizes = splitter_->sizes();
    if (sizes.size() != 2) return;
    const int memoWidth = TextPaneWidth(sizes[1], windowWidth);
    if (memoWidth != sizes[1]) splitter_->setSizes({sizes[0] + sizes[1] - memoWidth, memoWidth});
}

void MessagePane::LoadSizes(const ListWindowSizes& sizes) {
    for (std::size_t i = 0; i < sizes.headerViewColumns.size(); ++i)
        headerView_->header()->resizeSection(static_cast<int>(i), sizes.headerViewColumns[i]);
    const int memoWidth = TextPaneWidth(sizes.memoWidth, sizes.width);
    splitter_->setSizes({std::max(1, sizes.width - memoWidth), memoWidth});
}

void MessagePane::StoreSizes(ListWindowSizes& sizes) const {
    for (std::size_t i = 0; i < sizes.headerViewColumns.size(); ++i)
        sizes.headerViewColumns[i] = headerView_->header()->sectionSize(static_cast<int>(i));
    sizes.memoWidth = splitter_->sizes().value(1, messageText_->width());
}
