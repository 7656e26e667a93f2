// Building the list window: panels, actions, menus, status bar and the stored sizes.

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

#include "check/session.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "settings/program_state.h"

namespace {

constexpr int kTopPanelHeight = 80;
constexpr int kCaptionBarHeight = 28;
constexpr int kAccountBoxWidth = 250;
constexpr int kProgressBarWidth = 200;
constexpr int kHeadersMinimumHeight = 80;
constexpr int kMemoMinimumWidth = 128;
constexpr int kSpamImage = 11;
constexpr int kAccountImage = 6;
constexpr int kCloseImage = 3;
const QColor kWindowColour(136, 174, 228);
const QColor kListColour(218, 234, 253);

struct ColumnBounds {
    const char* captionKey;
    int minimum;
    int maximum;
};
constexpr std::array<ColumnBounds, 6> kHeaderColumns{{{"", 18, 18},
                                                      {"date", 80, 256},
                                                      {"from", 80, 512},
                                                      {"subject", 80, 512},
                                                      {"size", 64, 128},
                                                      {"message_no", 64, 128}}};
constexpr std::array<ColumnBounds, 2> kHeaderViewColumns{
    {{"header_key", 80, 512}, {"header_value", 80, 1024}}};

QString Text(const char* key) {
    return ToQt(GetLangText(key));
}

template <typename Control>
Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// The button pictures of the list: the program's own where it ships one, else the desktop
// style's picture of the same meaning.
QIcon ListImage(int index) {
    const QString file =
        QStringLiteral(":/tarnwick/btn/%1.png").arg(index, 2, 10, QLatin1Char('0'));
    if (QFile::exists(file)) return QIcon(file);
    QStyle::StandardPixmap standard = QStyle::SP_FileIcon;
    switch (index) {
        case 0:
            standard = QStyle::SP_DialogCancelButton;
            break;
        case 2:
            standard = QStyle::SP_ArrowDown;
            break;
        case 4:
            standard = QStyle::SP_BrowserReload;
            break;
        case 6:
            standard = QStyle::SP_DriveNetIcon;
            break;
        case 11:
            standard = QStyle::SP_MessageBoxWarning;
            break;
        case 16:
            standard = QStyle::SP_DialogApplyButton;
            break;
        case 17:
            standard = QStyle::SP_DialogYesButton;
            break;
        case 19:
            standard = QStyle::SP_TrashIcon;
            break;
        case 20:
            standard = QStyle::SP_DialogNoButton;
            break;
        case 21:
            standard = QStyle::SP_DialogSaveButton;
            break;
        default:
            break;
    }
    return QApplication::style()->standardIcon(standard);
}

void Colour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A tool bar's buttons say what they do to a screen reader: their hint.
void NameToolButtons(QToolBar* bar) {
    for (QAction* action : bar->actions()) {
        QWidget* button = bar->widgetForAction(action);
        if (button != nullptr && !action->isSeparator() && !action->toolTip().isEmpty())
            button->setAccessibleName(action->toolTip());
    }
}

template <std::size_t N>
void ClampColumns(QHeaderView* header, const std::array<ColumnBounds, N>& bounds) {
    QObject::connect(header, &QHeaderView::sectionResized, header,
                     [header, bounds](int section, int, int size) {
                         if (section < 0 || section >= static_cast<int>(N)) return;
                         const ColumnBounds& b = bounds[static_cast<std::size_t>(section)];
                         if (size < b.minimum || size > b.maximum)
                             header->resizeSection(section, std::clamp(size, b.minimum, b.maximum));
                     });
}

}  // namespace

QAction* TpopListWindow::MakeAction(const char* name, const char* captionKey, int image) {
    auto* action = Named(new QAction(ListImage(image), Text(captionKey), this), name);
    action->setToolTip(action->text());
    return action;
}

QToolButton* TpopListWindow::MakeHelpButton(const char* name) {
    auto* button = Named(new QToolButton, name);
    button->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    button->setAutoRaise(true);
    button->setToolTip(Text("help_btn"));
    button->setAccessibleName(button->toolTip());
    connect(button, &QToolButton::clicked, this, [this] { bhelpClick(0); });
    return button;
}

QToolButton* TpopListWindow::MakeMenuButton(const char* name) {
    auto* button = Named(new QToolButton, name);
    button->setIcon(ListImage(kAccountImage));
    button->setToolTip(Text("list_menu"));
    button->setAccessibleName(button->toolTip());
    button->setPopupMode(QToolButton::InstantPopup);
    button->setMenu(popupm);
    return button;
}

void TpopListWindow::BuildActions() {
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
    Zavt1 = MakeAction("Zavt1", "close_list_window", kCloseImage);

    const std::array<std::pair<QAction*, void (TpopListWindow::*)()>, 12> handlers{{
        {actHeaders, &TpopListWindow::actHeadersExecute},
        {actDelete, &TpopListWindow::actDeleteExecute},
        {actRetrieve, &TpopListWindow::actRetrieveExecute},
        {actCancel, &TpopListWindow::actCancelExecute},
        {actToggleSpam, &TpopListWindow::actToggleSpamExecute},
        {actDeleteSpam, &TpopListWindow::actDeleteSpamExecute},
        {actToggleAllSpam, &TpopListWindow::actToggleAllSpamExecute},
        {actToggleNoSpam, &TpopListWindow::actToggleNoSpamExecute},
        {actSpamSubject, &TpopListWindow::actSpamSubjectExecute},
        {actSpamSender, &TpopListWindow::actSpamSenderExecute},
        {actSaveMessage, &TpopListWindow::actSaveMessageExecute},
        {Zavt1, nullptr},
    }};
    for (const auto& [action, handler] : handlers) {
        if (!handler) continue;
        connect(action, &QAction::triggered, this,
                [this, handler = handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    }
    connect(Zavt1, &QAction::triggered, this, [this] { close(); });
}

void TpopListWindow::BuildMenus() {
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
    popupm->addAction(Zavt1);

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

QWidget* TpopListWindow::BuildTopPanel() {
    auto* panel = Named(new QWidget, "Panel1");
    panel->setFixedHeight(kTopPanelHeight);
    panel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(panel, &QWidget::customContextMenuRequested, this,
            [this, panel](const QPoint& at) { popupm->popup(panel->mapToGlobal(at)); });

    Label1 = Named(new QLabel(Text("select_your_email")), "Label1");
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    list = Named(new QComboBox, "list");
    list->setFixedWidth(kAccountBoxWidth);
    // A screen reader names the box by this label (and reads the chosen account as its value).
    Label1->setBuddy(list);
    auto* bar1 = Named(new QToolBar, "ToolBar1");
    bar1->addAction(actHeaders);
    bar1->addSeparator();
    bar1->addWidget(MakeMenuButton("bmenu1"));
    NameToolButtons(bar1);

    progress_label = Named(new QLabel, "progress_label");
    progress_label->setTextFormat(Qt::PlainText);
    ProgressBar = Named(new QProgressBar, "ProgressBar");
    ProgressBar->setFixedWidth(kProgressBarWidth);
    ProgressBar->setTextVisible(false);
    ProgressBar->setAccessibleName(Text("progress_bar"));
    bcancel = Named(new QToolButton, "bcancel");
    bcancel->setDefaultAction(actCancel);
    bcancel->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bcancel->setAccessibleName(actCancel->toolTip());
    for (QWidget* w : std::initializer_list<QWidget*>{progress_label, ProgressBar, bcancel})
        w->hide();

    help_label = Named(new QLabel(Text("help_label_listwindow")), "help_label");
    QFont linkFont = help_label->font();
    linkFont.setUnderline(true);
    help_label->setFont(linkFont);
    help_label->setStyleSheet(QStringLiteral("color: blue"));
    help_label->setCursor(Qt::PointingHandCursor);
    help_label->setToolTip(help_label->text());
    help_label->installEventFilter(this);
    bhelp = MakeHelpButton("bhelp");

    label_list_help_text = Named(new QLabel(Text("label_list_help_text")), "label_list_help_text");
    auto* bar2 = Named(new QToolBar, "ToolBar2");
    bar2->addWidget(MakeMenuButton("bmenu2"));
    bar2->addSeparator();
    bar2->addActions({actToggleSpam, actToggleAllSpam, actToggleNoSpam});
    bar2->addSeparator();
    bar2->addActions({actDelete, actDeleteSpam});
    NameToolButtons(bar2);

    auto* row1 = new QHBoxLayout;
    row1->addWidget(Label1, 1);
    row1->addWidget(list);
    row1->addWidget(bar1);
    row1->addWidget(progress_label);
    row1->addWidget(ProgressBar);
    row1->addWidget(bcancel);
    row1->addStretch(1);
    row1->addWidget(help_label);
    row1->addWidget(bhelp);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(label_list_help_text);
    row2->addWidget(bar2);
    row2->addStretch(1);
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->addLayout(row1);
    rows->addLayout(row2);
    return panel;
}

QWidget* TpopListWindow::BuildBottomPanel() {
    bottomPanel_ = Named(new QWidget, "Panel2");
    auto* caption = Named(new QWidget, "Panel3Bar");
    caption->setFixedHeight(kCaptionBarHeight);
    bhelp2 = MakeHelpButton("bhelp2");
    auto* bar3 = Named(new QToolBar, "ToolBar3");
    bar3->addActions({actRetrieve, actDelete});
    bar3->addSeparator();
    bar3->addAction(actSaveMessage);
    NameToolButtons(bar3);
    Panel3 = Named(new QLabel, "Panel3");
    Panel3->setTextFormat(Qt::PlainText);
    Panel3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* captionRow = new QHBoxLayout(caption);
    captionRow->setContentsMargins(2, 0, 2, 0);
    captionRow->addWidget(bhelp2);
    captionRow->addWidget(bar3);
    captionRow->addWidget(Panel3, 1);

    header_list = Named(new QTreeWidget, "header_list");
    header_list->setRootIsDecorated(false);
    header_list->setUniformRowHeights(true);
    header_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    header_list->setHeaderLabels({Text("header_key"), Text("header_value")});
    header_list->header()->setSectionsClickable(false);
    header_list->setContextMenuPolicy(Qt::CustomContextMenu);
    header_list->setAccessibleName(Text("message_header"));
    QFont viewFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    viewFont.setStyleHint(QFont::SansSerif);
    viewFont.setPointSize(9);
    header_list->setFont(viewFont);
    Colour(header_list, QPalette::Base, kListColour);
    ClampColumns(header_list->header(), kHeaderViewColumns);
    connect(header_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popuph->popup(header_list->viewport()->mapToGlobal(at)); });

    memo = Named(new QPlainTextEdit, "memo");
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setMinimumWidth(kMemoMinimumWidth);
    QFont memoFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    memoFont.setPointSize(10);
    memo->setFont(memoFont);
    Colour(memo, QPalette::Base, kWindowColour);
    memo->setContextMenuPolicy(Qt::CustomContextMenu);
    memo->setAccessibleName(Text("message_text"));
    connect(memo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popupmemo->popup(memo->mapToGlobal(at)); });

    bottomSplitter_ = Named(new QSplitter(Qt::Horizontal), "Splitter2");
    bottomSplitter_->setHandleWidth(16);
    bottomSplitter_->setChildrenCollapsible(false);
    bottomSplitter_->addWidget(header_list);
    bottomSplitter_->addWidget(memo);
    bottomSplitter_->setStretchFactor(0, 1);
    auto* column = new QVBoxLayout(bottomPanel_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(caption);
    column->addWidget(bottomSplitter_, 1);
    return bottomPanel_;
}

void TpopListWindow::BuildStatusBar() {
    statusBar_ = Named(new QStatusBar, "StatusBar1");
    statusBar_->setSizeGripEnabled(true);
    for (int i = 0; i < 2; ++i) {
        statusPanel_[i] = new QLabel;
        statusPanel_[i]->setObjectName(QStringLiteral("status_%1").arg(i));
        statusPanel_[i]->setTextFormat(Qt::PlainText);
    }
    statusPanel_[0]->setFixedWidth(128);
    statusPanel_[0]->setAlignment(Qt::AlignCenter);
    statusPanel_[0]->setAccessibleName(Text("status_account"));
    statusPanel_[1]->setMinimumWidth(88);
    statusPanel_[1]->setAccessibleName(Text("status_state"));
    statusBar_->addWidget(statusPanel_[0]);
    statusBar_->addWidget(statusPanel_[1], 1);
}

void TpopListWindow::BuildWindow() {
    setMinimumSize(400, 400);
    Colour(this, QPalette::Window, kWindowColour);
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    BuildActions();
    BuildMenus();
    QWidget* top = BuildTopPanel();

    model_ = new HeaderListModel(this);
    model_->SetSpamIcon(ListImage(kSpamImage));
    QStringList captions;
    for (const ColumnBounds& column : kHeaderColumns)
        captions << (column.captionKey[0] != '\0' ? Text(column.captionKey) : QString());
    model_->SetCaptions(captions, Text("spam_mark"));
    headers = Named(new QTreeView, "headers");
    headers->setModel(model_);
    headers->setRootIsDecorated(false);
    headers->setUniformRowHeights(true);
    headers->setItemsExpandable(false);
    headers->setAllColumnsShowFocus(true);
    headers->setSelectionBehavior(QAbstractItemView::SelectRows);
    headers->setSelectionMode(QAbstractItemView::SingleSelection);
    headers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    headers->setMinimumHeight(kHeadersMinimumHeight);
    headers->header()->setSectionsClickable(true);
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

    for (QWidget* control : std::initializer_list<QWidget*>{list, headers, header_list, memo})
        control->installEventFilter(this);
    connect(list, &QComboBox::activated, this, [this] { RunGuarded([this] { listSelect(); }); });

    keept = Named(new QTimer(this), "keept");
    keept->setInterval(keepAliveInterval_);
    connect(keept, &QTimer::timeout, this, [this] { RunGuarded([this] { keeptTimer(); }); });
}

void TpopListWindow::FillAccountBox() {
    for (const T_pop3item& item : accounts) {
        checks_.push_back(std::make_unique<T_pop3check>(item.params));
        const QString email = ToQt(item.params.email);
        list->addItem(email);
        QAction* entry = retrieve_headers_mm->addAction(ListImage(kAccountImage), email);
        connect(entry, &QAction::triggered, this,
                [this, email] { RunGuarded([this, email] { menuheaderClick(email); }); });
    }
    list->setCurrentIndex(-1);
}

void TpopListWindow::LoadLayout() {
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

void TpopListWindow::SaveLayout() {
    ListWindowSizes sizes;
    sizes.width = width();
    sizes.height = height();
    sizes.headersHeight = splitter_->sizes().value(0, headers->height());
    for (std::size_t i = 0; i < sizes.headerColumns.size(); ++i)
        sizes.headerColumns[i] = headers->header()->sectionSize(static_cast<int>(i));
    for (std::size_t i = 0; i < sizes.headerViewColumns.size(); ++i)
        sizes.headerViewColumns[i] = header_list->header()->sectionSize(static_cast<int>(i));
    sizes.memoWidth = bottomSplitter_->sizes().value(1, memo->width());
    SaveWindowLayout(ListWindowLayout(sizes));
}
