// Building the list window: the actions, the list menu, the panels, the status bar, the stored
// sizes.

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <array>

#include "check/account_status.h"
#include "list/ui/account_bar.h"
#include "list/ui/header_list.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "list/ui/list_window_parts.h"
#include "list/ui/message_pane.h"
#include "settings/language.h"
#include "state/app_state.h"
#include "widgets/ui_text.h"

using namespace list_window_parts;

QAction* MailboxWindow::MakeAction(const char* name, const char* captionKey, int image) {
    auto* action = Named(new QAction(ListImage(image), Text(captionKey), this), name);
    action->setToolTip(action->text());
    return action;
}

void MailboxWindow::BuildActions() {
    ListActions& a = actions_;
    a.headers = MakeAction("actHeaders", "retrieve_headers", 4);
    a.remove = MakeAction("actDelete", "delete_message", 3);
    a.retrieve = MakeAction("actRetrieve", "retrieve_message", 2);
    a.cancel = MakeAction("actCancel", "cancel_operation", 0);
    a.toggleSpam = MakeAction("actToggleSpam", "toggle_spam", 16);
    a.deleteSpam = MakeAction("actDeleteSpam", "delete_dpam", 19);
    a.toggleAllSpam = MakeAction("actToggleAllSpam", "toggle_all_spam", 17);
    a.toggleNoSpam = MakeAction("actToggleNoSpam", "toggle_no_spam", 20);
    a.spamSubject = MakeAction("actSpamSubject", "send_to_spam_subject", 11);
    a.spamSender = MakeAction("actSpamSender", "send_to_spam_sender", 11);
    a.saveMessage = MakeAction("actSaveMessage", "save_message", 21);
    a.close = MakeAction("Zavt1", "close_list_window", kCloseImage);
    // Fetching is reachable without the list menu: F5, as reloading is elsewhere.
    a.headers->setShortcut(QKeySequence(Qt::Key_F5));

    const std::array<std::pair<QAction*, void (MailboxWindow::*)()>, 11> handlers{{
        {a.headers, &MailboxWindow::FetchHeaders},
        {a.remove, &MailboxWindow::DeleteMessage},
        {a.retrieve, &MailboxWindow::ShowWholeMessage},
        {a.cancel, &MailboxWindow::CancelRequest},
        {a.toggleSpam, &MailboxWindow::ToggleSpamMark},
        {a.deleteSpam, &MailboxWindow::DeleteAllSpam},
        {a.toggleAllSpam, &MailboxWindow::MarkAllAsSpam},
        {a.toggleNoSpam, &MailboxWindow::ClearSpamMarks},
        {a.spamSubject, &MailboxWindow::AddSubjectRule},
        {a.spamSender, &MailboxWindow::AddSenderRule},
        {a.saveMessage, &MailboxWindow::SaveMessage},
    }};
    for (const auto& [action, handler] : handlers) {
        connect(action, &QAction::triggered, this,
                [this, handler = handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    }
    connect(a.close, &QAction::triggered, this, [this] { close(); });
    // Escape closes as the close button does (a running request is asked to stop first).
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, a.close,
            &QAction::trigger);
}

void MailboxWindow::BuildListMenu() {
    const ListActions& a = actions_;
    auto* menu = Named(new QMenu(this), "popupm");
    accountMenu_ =
        Named(menu->addMenu(a.headers->icon(), a.headers->text()), "retrieve_headers_mm");
    menu->addSeparator();
    menu->addActions({a.toggleSpam, a.toggleAllSpam, a.toggleNoSpam});
    menu->addSeparator();
    menu->addActions({a.spamSubject, a.spamSender});
    menu->addSeparator();
    menu->addActions({a.remove, a.deleteSpam});
    menu->addSeparator();
    menu->addAction(a.retrieve);
    menu->addSeparator();
    menu->addAction(a.close);
    actions_.listMenu = menu;
}

void MailboxWindow::BuildStatusBar() {
    statusBar_ = Named(new QStatusBar, "StatusBar1");
    statusBar_->setSizeGripEnabled(true);
    for (int i = 0; i < 2; ++i) {
        statusPanel_[i] = new QLabel;
        statusPanel_[i]->setObjectName(QStringLiteral("status_%1").arg(i));
        statusPanel_[i]->setTextFormat(Qt::PlainText);
    }
    statusPanel_[0]->setFixedWidth(128);
    statusPanel_[0]->setAlignment(Qt::AlignCenter);
    // A screen reader reads a panel's text as its name; what the panel is goes in its
    // description.
    statusPanel_[0]->setAccessibleDescription(Text("status_account"));
    statusPanel_[1]->setMinimumWidth(88);
    statusPanel_[1]->setAccessibleDescription(Text("status_state"));
    statusBar_->addWidget(statusPanel_[0]);
    statusBar_->addWidget(statusPanel_[1], 1);
}

void MailboxWindow::BuildWindow() {
    setMinimumSize(400, 400);
    Colour(this, QPalette::Window, kWindowColour);
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    BuildActions();
    BuildListMenu();
    accountBar_ = new AccountBar(actions_);
    headers_ = new HeaderList(model_, actions_);
    pane_ = new MessagePane(actions_);
    splitter_ = Named(new EvenSplitter(Qt::Vertical), "Splitter1");
    splitter_->setHandleWidth(4);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(headers_);
    splitter_->addWidget(pane_);
    // The header list and the message pane share what the window grows by.
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 1);
    BuildStatusBar();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(accountBar_);
    column->addWidget(splitter_, 1);
    column->addWidget(statusBar_);

    for (QWidget* control : std::initializer_list<QWidget*>{accountBar_->AccountBox(), headers_,
                                                            pane_->HeaderView(), pane_->TextView()})
        control->installEventFilter(this);
    connect(accountBar_, &AccountBar::accountActivated, this,
            [this] { RunGuarded([this] { onAccountChosen(); }); });
    connect(accountBar_, &AccountBar::folderActivated, this,
            [this] { RunGuarded([this] { onAccountChosen(); }); });
    connect(headers_, &HeaderList::rowChosen, this, [this] {
        RunGuarded([this] {
            const MessageRow* chosen = headers_->ChosenRow();
            pane_->ShowHeader(chosen != nullptr ? chosen->entry.get() : nullptr,
                              chosen != nullptr ? chosen->spamReason : std::string());
            UpdateCommands();
        });
    });
}

// The account box and the list menu's entries from the account list; the account shown stays
// chosen while it is listed.
void MailboxWindow::FillAccountBox() {
    accountMenu_->clear();
    accounts_.clear();
    folderBoxAccount_.clear();  // the account's folders may have changed
    QStringList emails;
    QStringList hints;
    for (const AccountEntry& item : state_.Accounts()) {
        accounts_.push_back(item.params);
        const QString email = ToQt(item.params.email);
        emails << email;
        hints << ToQt(item.params.email + " - " + std::string(ProtocolName(item.params.protocol)));
        QAction* entry = accountMenu_->addAction(ListImage(kAccountImage), email);
        connect(entry, &QAction::triggered, this,
                [this, email] { RunGuarded([this, email] { FetchHeadersOf(email); }); });
    }
    accountBar_->SetAccounts(emails, hints);
}

void MailboxWindow::LoadLayout() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen != nullptr ? screen->size() : QSize(1024, 768);
    ListWindowSizes sizes;
    sizes.width = screenSize.width() - screenSize.width() / 4;
    sizes.height = screenSize.height() - screenSize.height() / 4;
    sizes.memoWidth = sizes.width / 2;
    WindowLayout layout = ListWindowLayout(sizes);
    LoadWindowLayout(layout);
    sizes = SizesOfLayout(layout);
    resize(sizes.width, sizes.height);
    const int below = std::max(1, sizes.height - sizes.headersHeight);
    splitter_->setSizes({sizes.headersHeight, below});
    for (std::size_t i = 0; i < sizes.headerColumns.size(); ++i)
        headers_->header()->resizeSection(static_cast<int>(i), sizes.headerColumns[i]);
    pane_->LoadSizes(sizes);
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(sizes.width / 2, sizes.height / 2));
    }
}

void MailboxWindow::SaveLayout() {
    ListWindowSizes sizes;
    sizes.width = width();
    sizes.height = height();
    sizes.headersHeight = splitter_->sizes().value(0, headers_->height());
    for (std::size_t i = 0; i < sizes.headerColumns.size(); ++i)
        sizes.headerColumns[i] = headers_->header()->sectionSize(static_cast<int>(i));
    pane_->StoreSizes(sizes);
    SaveWindowLayout(ListWindowLayout(sizes));
}
