// Building the list window: actions, menus, the header list, the status bar, the stored sizes.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <array>

#include "check/account_status.h"
#include "check/session.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "list/ui/list_window_parts.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"

using namespace list_window_parts;

QAction* MailboxWindow::MakeAction(const char* name, const char* captionKey, int image) {
    auto* action = Named(new QAction(ListImage(image), Text(captionKey), this), name);
    action->setToolTip(action->text());
    return action;
}

QToolButton* MailboxWindow::MakeHelpButton(const char* name) {
    auto* button = Named(new QToolButton, name);
    button->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    button->setAutoRaise(true);
    button->setToolTip(Text("help_btn"));
    button->setAccessibleName(button->toolTip());
    connect(button, &QToolButton::clicked, this, [this] { bhelpClick(0); });
    return button;
}

QToolButton* MailboxWindow::MakeMenuButton(const char* name) {
    auto* button = Named(new QToolButton, name);
    button->setIcon(ListImage(kAccountImage));
    button->setToolTip(Text("list_menu"));
    button->setAccessibleName(button->toolTip());
    button->setPopupMode(QToolButton::InstantPopup);
    button->setMenu(popupm);
    return button;
}

void MailboxWindow::BuildActions() {
    actHeaders = MakeAction("actHeaders", "retrieve_headers", 4);
    actDelete = MakeAction("actDelete", "delete_message", 3);
    actRetrieve = MakeAction("actRetrieve", "retrieve_message", 2);
    actCancel = MakeAction("actCancel", "cancel_operation", 0);
    actToggleSpam = MakeAction("actToggleSpam", "toggle_spam", 16);
    actDeleteSpam = MakeAction("actDeleteSpam", "delete_dpam", 19);
    actToggleAllSpam = MakeAction("actToggleAllSpam", "toggle_all_spam", 17);
    actToggleNoSpam = MakeAction("actToggleNoSpam", "toggle_no_spam", 20);
    actSpamSubject = MakeAction("actSpamSubject", "send_to_spam_subject", 11);
    actSpamSender = MakeAction("actSpamSender", "send_to_spam_sender", 11);
    actSaveMessage = MakeAction("actSaveMessage", "save_message", 21);
    closeAction_ = MakeAction("Zavt1", "close_list_window", kCloseImage);
    // Fetching is reachable without the list menu: F5, as reloading is elsewhere.
    actHeaders->setShortcut(QKeySequence(Qt::Key_F5));

    const std::array<std::pair<QAction*, void (MailboxWindow::*)()>, 12> handlers{{
        {actHeaders, &MailboxWindow::actHeadersExecute},
        {actDelete, &MailboxWindow::actDeleteExecute},
        {actRetrieve, &MailboxWindow::actRetrieveExecute},
        {actCancel, &MailboxWindow::actCancelExecute},
        {actToggleSpam, &MailboxWindow::actToggleSpamExecute},
        {actDeleteSpam, &MailboxWindow::actDeleteSpamExecute},
        {actToggleAllSpam, &MailboxWindow::actToggleAllSpamExecute},
        {actToggleNoSpam, &MailboxWindow::actToggleNoSpamExecute},
        {actSpamSubject, &MailboxWindow::actSpamSubjectExecute},
        {actSpamSender, &MailboxWindow::actSpamSenderExecute},
        {actSaveMessage, &MailboxWindow::actSaveMessageExecute},
        {closeAction_, nullptr},
    }};
    for (const auto& [action, handler] : handlers) {
        if (!handler) continue;
        connect(action, &QAction::triggered, this,
                [this, handler = handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    }
    connect(closeAction_, &QAction::triggered, this, [this] { close(); });
}

void MailboxWindow::BuildMenus() {
    popupm = Named(new QMenu(this), "popupm");
    retrieve_headers_mm =
        Named(popupm->addMenu(actHeaders->icon(), actHeaders->text()), "retrieve_headers_mm");
    popupm->addSeparator();
    popupm->addActions({actToggleSpam, actToggleAllSpam, actToggleNoSpam});
    popupm->addSeparator();
    popupm->addActions({actSpamSubject, actSpamSender});
    popupm->addSeparator();
    popupm->addActions({actDelete, actDeleteSpam});
    popupm->addSeparator();
    popupm->addAction(actRetrieve);
    popupm->addSeparator();
    popupm->addAction(closeAction_);

    popupm2 = Named(new QMenu(this), "popupm2");
    popupm2->addActions({actToggleSpam, actToggleAllSpam, actToggleNoSpam});
    popupm2->addSeparator();
    popupm2->addActions({actSpamSender, actSpamSubject});
    popupm2->addSeparator();
    popupm2->addActions({actDelete, actDeleteSpam});
    popupm2->addSeparator();
    popupm2->addAction(actRetrieve);

    popuph = Named(new QMenu(this), "popuph");
    connect(popuph->addAction(Text("what_is_it")), &QAction::triggered, this,
            [this] { bhelpClick(static_cast<int>(ListHelpTag::HeaderView)); });

    popupmemo = Named(new QMenu(this), "popupmemo");
    memoHelpEntry_ = popupmemo->addAction(Text("what_is_it"));
    popupmemo->addSeparator();
    popupmemo->addAction(actSaveMessage);
    connect(memoHelpEntry_, &QAction::triggered, this,
            [this] { bhelpClick(PaneMenuHelpTopic(paneState_) - ListHelpTopic(0)); });
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
    BuildMenus();
    QWidget* top = BuildTopPanel();

    model_ = controller_->Rows();
    model_->SetSpamIcon(ListImage(kSpamImage), QSize(16, 16));
    QStringList captions;
    for (const ColumnBounds& column : kHeaderColumns)
        captions << (column.captionKey[0] != '\0' ? Text(column.captionKey) : QString());
    model_->SetCaptions(captions, Text("spam_mark"));
    headers = Named(new QTreeView, "headers");
    headers->setModel(model_);
    headers->setRootIsDecorated(false);
    headers->setUniformRowHeights(true);
    headers->setIconSize(QSize(16, 16));
    headers->setItemsExpandable(false);
    headers->setAllColumnsShowFocus(true);
    headers->setSelectionBehavior(QAbstractItemView::SelectRows);
    headers->setSelectionMode(QAbstractItemView::SingleSelection);
    headers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    headers->setMinimumHeight(kHeadersMinimumHeight);
    headers->header()->setSectionsClickable(true);
    headers->header()->setSortIndicatorShown(true);
    headers->header()->setSortIndicator(-1, Qt::AscendingOrder);
    headers->header()->setSectionsMovable(false);
    headers->header()->setStretchLastSection(false);
    headers->header()->setMinimumSectionSize(18);
    headers->setContextMenuPolicy(Qt::CustomContextMenu);
    QStringList named = captions.mid(1);
    headers->setAccessibleName(named.join(QStringLiteral(", ")));
    Colour(headers, QPalette::Base, kListColour);
    QPalette selection = headers->palette();
    selection.setColor(QPalette::Inactive, QPalette::Highlight,
                       selection.color(QPalette::Active, QPalette::Highlight));
    selection.setColor(QPalette::Inactive, QPalette::HighlightedText,
                       selection.color(QPalette::Active, QPalette::HighlightedText));
    headers->setPalette(selection);
    ClampColumns(headers->header(), kHeaderColumns);
    connect(headers, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popupm2->popup(headers->viewport()->mapToGlobal(at)); });
    connect(headers->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { RunGuarded([this, column] { headersColumnClick(column); }); });
    connect(headers->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { RunGuarded([this] { headersSelectItem(); }); });

    splitter_ = Named(new QSplitter(Qt::Vertical), "Splitter1");
    splitter_->setHandleWidth(4);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(headers);
    splitter_->addWidget(BuildBottomPanel());
    splitter_->setStretchFactor(1, 1);
    BuildStatusBar();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(top);
    column->addWidget(splitter_, 1);
    column->addWidget(statusBar_);

    for (QWidget* control :
         std::initializer_list<QWidget*>{list, headers, header_list, messageText_})
        control->installEventFilter(this);
    connect(list, &QComboBox::activated, this,
            [this] { RunGuarded([this] { onAccountChosen(); }); });
}

// The account box and the list menu's entries from the account list; the account shown stays
// chosen while it is listed.
void MailboxWindow::FillAccountBox() {
    const QString chosen = list->currentText();
    const QSignalBlocker quiet(list);
    list->clear();
    retrieve_headers_mm->clear();
    accounts_.clear();
    for (const AccountEntry& item : accounts) {
        accounts_.push_back(item.params);
        const QString email = ToQt(item.params.email);
        list->addItem(email);
        const std::string hint =
            item.params.email + " - " + std::string(ProtocolName(item.params.protocol));
        list->setItemData(list->count() - 1, ToQt(hint), Qt::ToolTipRole);
        QAction* entry = retrieve_headers_mm->addAction(ListImage(kAccountImage), email);
        connect(entry, &QAction::triggered, this,
                [this, email] { RunGuarded([this, email] { menuheaderClick(email); }); });
    }
    list->setCurrentIndex(chosen.isEmpty() ? -1 : list->findText(chosen, Qt::MatchExactly));
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
        headers->header()->resizeSection(static_cast<int>(i), sizes.headerColumns[i]);
    for (std::size_t i = 0; i < sizes.headerViewColumns.size(); ++i)
        header_list->header()->resizeSection(static_cast<int>(i), sizes.headerViewColumns[i]);
    const int memoWidth = TextPaneWidth(sizes.memoWidth, sizes.width);
    bottomSplitter_->setSizes({std::max(1, sizes.width - memoWidth), memoWidth});
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(sizes.width / 2, sizes.height / 2));
    }
}

void MailboxWindow::SaveLayout() {
    ListWindowSizes sizes;
    sizes.width = width();
    sizes.height = height();
    sizes.headersHeight = splitter_->sizes().value(0, headers->height());
    for (std::size_t i = 0; i < sizes.headerColumns.size(); ++i)
        sizes.headerColumns[i] = headers->header()->sectionSize(static_cast<int>(i));
    for (std::size_t i = 0; i < sizes.headerViewColumns.size(); ++i)
        sizes.headerViewColumns[i] = header_list->header()->sectionSize(static_cast<int>(i));
    sizes.memoWidth = bottomSplitter_->sizes().value(1, messageText_->width());
    SaveWindowLayout(ListWindowLayout(sizes));
}
