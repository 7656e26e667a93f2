// The list window's top panel (account box, tool bars, progress, help) and bottom panel
// (caption bar, header view, text pane).

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
#include "list/ui/list_window_parts.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"

using namespace list_window_parts;

QWidget* MailboxWindow::BuildTopPanel() {
    auto* panel = Named(new QWidget, "Panel1");
    panel->setFixedHeight(kTopPanelHeight);
    panel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(panel, &QWidget::customContextMenuRequested, this,
            [this, panel](const QPoint& at) { popupm->popup(panel->mapToGlobal(at)); });

    Label1 = Named(new QLabel(Text("select_your_email")), "Label1");
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    list = Named(new QComboBox, "list");
    // As wide as designed when there is room; narrower windows shrink it rather than overlap.
    list->setMinimumWidth(kAccountBoxWidth / 2);
    list->setMaximumWidth(kAccountBoxWidth);
    Label1->setBuddy(list);
    // Named as what it is: a screen reader reads the chosen account as its value.
    list->setAccessibleName(Text("account_box"));
    auto* bar1 = Named(new QToolBar, "ToolBar1");
    bar1->addAction(actHeaders);
    bar1->addSeparator();
    bar1->addWidget(MakeMenuButton("bmenu1"));
    NameToolButtons(bar1);
    // The fetch button is a tab stop after the account box.
    if (QWidget* fetch = bar1->widgetForAction(actHeaders)) fetch->setFocusPolicy(Qt::TabFocus);
    bar1->setMinimumWidth(bar1->sizeHint().width());

    progress_label = Named(new QLabel, "progress_label");
    progress_label->setTextFormat(Qt::PlainText);
    ProgressBar = Named(new QProgressBar, "ProgressBar");
    ProgressBar->setMinimumWidth(kProgressBarWidth / 4);
    ProgressBar->setMaximumWidth(kProgressBarWidth);
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
    // In a narrow window the hint wraps (the row is high enough for three lines) and the tool
    // bar beside it folds its last buttons into its extension menu.
    label_list_help_text->setWordWrap(true);
    label_list_help_text->setMinimumWidth(kProgressBarWidth);
    auto* bar2 = Named(new QToolBar, "ToolBar2");
    bar2->addWidget(MakeMenuButton("bmenu2"));
    bar2->addSeparator();
    bar2->addActions({actToggleSpam, actToggleAllSpam, actToggleNoSpam});
    bar2->addSeparator();
    bar2->addActions({actDelete, actDeleteSpam});
    NameToolButtons(bar2);

    auto* row1 = new QHBoxLayout;
    row1->addWidget(Label1, 1);
    row1->addWidget(list, 2);
    row1->addWidget(bar1);
    row1->addStretch(1);
    row1->addWidget(help_label);
    row1->addWidget(bhelp);
    // The progress takes the place of the hint, which hides while a retrieval runs: the first
    // row has no room for it in a narrow window.
    auto* row2 = new QHBoxLayout;
    row2->addWidget(progress_label);
    row2->addWidget(ProgressBar, 1);
    row2->addWidget(bcancel);
    row2->addWidget(label_list_help_text, 1);
    row2->addWidget(bar2);
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->addLayout(row1);
    rows->addLayout(row2);
    return panel;
}

QWidget* MailboxWindow::BuildBottomPanel() {
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

    messageText_ = Named(new QPlainTextEdit, "memo");
    messageText_->setReadOnly(true);
    messageText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    messageText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    messageText_->setMinimumWidth(kMemoMinimumWidth);
    QFont memoFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    memoFont.setPointSize(10);
    messageText_->setFont(memoFont);
    Colour(messageText_, QPalette::Base, kWindowColour);
    messageText_->setContextMenuPolicy(Qt::CustomContextMenu);
    messageText_->setAccessibleName(Text("message_text"));
    // The viewport reads as focused with the pane: never as an unnamed stop of its own.
    messageText_->viewport()->setAccessibleName(messageText_->accessibleName());
    connect(messageText_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popupmemo->popup(messageText_->mapToGlobal(at)); });

    bottomSplitter_ = Named(new QSplitter(Qt::Horizontal), "Splitter2");
    bottomSplitter_->setHandleWidth(16);
    bottomSplitter_->setChildrenCollapsible(false);
    bottomSplitter_->addWidget(header_list);
    bottomSplitter_->addWidget(messageText_);
    bottomSplitter_->setStretchFactor(0, 1);
    auto* column = new QVBoxLayout(bottomPanel_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(caption);
    column->addWidget(bottomSplitter_, 1);
    return bottomPanel_;
}
