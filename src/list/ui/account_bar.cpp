#include "list/ui/account_bar.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "list/list_window_rules.h"
#include "list/ui/list_window_parts.h"
#include "widgets/help.h"

using namespace list_window_parts;

AccountBar::AccountBar(const ListActions& actions, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel1"));
    setFixedHeight(kTopPanelHeight);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this, menu = actions.listMenu](const QPoint& at) { menu->popup(mapToGlobal(at)); });

    auto* caption = Named(new QLabel(Text("select_your_email")), "Label1");
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    list_ = Named(new QComboBox, "list");
    // As wide as designed when there is room; narrower windows shrink it rather than overlap.
    list_->setMinimumWidth(kAccountBoxWidth / 2);
    list_->setMaximumWidth(kAccountBoxWidth);
    caption->setBuddy(list_);
    // Named as what it is: a screen reader reads the chosen account as its value.
    list_->setAccessibleName(Text("account_box"));
    connect(list_, &QComboBox::activated, this, &AccountBar::accountActivated);
    folderCaption_ = Named(new QLabel(Text("list_folder")), "Label_folder");
    folderCaption_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    folders_ = Named(new QComboBox, "folder_list");
    folders_->setMinimumWidth(kAccountBoxWidth / 4);
    folders_->setMaximumWidth(kAccountBoxWidth);
    folders_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    folderCaption_->setBuddy(folders_);
    folders_->setAccessibleName(Text("folder_box"));
    connect(folders_, &QComboBox::activated, this, &AccountBar::folderActivated);
    folderCaption_->hide();
    folders_->hide();
    auto* fetchBar = Named(new QToolBar, "ToolBar1");
    fetchBar->addAction(actions.headers);
    fetchBar->addSeparator();
    fetchBar->addWidget(MakeMenuButton("bmenu1", actions.listMenu));
    NameToolButtons(fetchBar);
    // The fetch button is a tab stop after the account box.
    if (QWidget* fetch = fetchBar->widgetForAction(actions.headers))
        fetch->setFocusPolicy(Qt::TabFocus);
    fetchBar->setMinimumWidth(fetchBar->sizeHint().width());

    progressLabel_ = Named(new QLabel, "progress_label");
    progressLabel_->setTextFormat(Qt::PlainText);
    progressBar_ = Named(new QProgressBar, "ProgressBar");
    progressBar_->setMinimumWidth(kProgressBarWidth / 4);
    progressBar_->setMaximumWidth(kProgressBarWidth);
    progressBar_->setTextVisible(false);
    progressBar_->setAccessibleName(Text("progress_bar"));
    cancelButton_ = Named(new QToolButton, "bcancel");
    cancelButton_->setDefaultAction(actions.cancel);
    cancelButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cancelButton_->setAccessibleName(actions.cancel->toolTip());
    for (QWidget* w : std::initializer_list<QWidget*>{progressLabel_, progressBar_, cancelButton_})
        w->hide();

    helpLabel_ = Named(new QLabel(Text("help_label_listwindow")), "help_label");
    QFont linkFont = helpLabel_->font();
    linkFont.setUnderline(true);
    helpLabel_->setFont(linkFont);
    helpLabel_->setStyleSheet(QStringLiteral("color: blue"));
    helpLabel_->setCursor(Qt::PointingHandCursor);
    helpLabel_->setToolTip(helpLabel_->text());
    helpLabel_->installEventFilter(this);
    QToolButton* help = MakeHelpButton("bhelp");

    hint_ = Named(new QLabel(Text("label_list_help_text")), "label_list_help_text");
    // In a narrow window the hint wraps (the row is high enough for three lines) and the tool
    // bar beside it folds its last buttons into its extension menu.
    hint_->setWordWrap(true);
    hint_->setMinimumWidth(kProgressBarWidth);
    auto* markBar = Named(new QToolBar, "ToolBar2");
    markBar->addWidget(MakeMenuButton("bmenu2", actions.listMenu));
    markBar->addSeparator();
    markBar->addActions({actions.toggleSpam, actions.toggleAllSpam, actions.toggleNoSpam});
    markBar->addSeparator();
    markBar->addActions({actions.remove, actions.deleteSpam});
    NameToolButtons(markBar);

    auto* accountRow = new QHBoxLayout;
    accountRow->addWidget(caption, 1);
    accountRow->addWidget(list_, 2);
    accountRow->addWidget(folderCaption_);
    accountRow->addWidget(folders_, 1);
    accountRow->addWidget(fetchBar);
    accountRow->addStretch(1);
    accountRow->addWidget(helpLabel_);
    accountRow->addWidget(help);
    // The progress takes the place of the hint, which hides while a retrieval runs: the first
    // row has no room for it in a narrow window.
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progressLabel_);
    progressRow->addWidget(progressBar_, 1);
    progressRow->addWidget(cancelButton_);
    progressRow->addWidget(hint_, 1);
    progressRow->addWidget(markBar);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->addLayout(accountRow);
    rows->addLayout(progressRow);
}

QToolButton* AccountBar::MakeMenuButton(const char* name, QMenu* menu) {
    auto* button = Named(new QToolButton, name);
    button->setIcon(ListImage(kAccountImage));
    button->setToolTip(Text("list_menu"));
    button->setAccessibleName(button->toolTip());
    button->setPopupMode(QToolButton::InstantPopup);
    button->setMenu(menu);
    return button;
}

void AccountBar::SetAccounts(const QStringList& emails, const QStringList& hints) {
    const QString chosen = list_->currentText();
    const QSignalBlocker quiet(list_);
    list_->clear();
    list_->addItems(emails);
    for (int i = 0; i < hints.size() && i < list_->count(); ++i)
        list_->setItemData(i, hints[i], Qt::ToolTipRole);
    list_->setCurrentIndex(chosen.isEmpty() ? -1 : list_->findText(chosen, Qt::MatchExactly));
}

int AccountBar::ChosenIndex() const {
    return list_->currentIndex();
}

QString AccountBar::ChosenText() const {
    return list_->currentText();
}

void AccountBar::Choose(const QString& email) {
    ChooseIndex(list_->findText(email, Qt::MatchExactly));
}

void AccountBar::ChooseIndex(int index) {
    list_->setCurrentIndex(index);
}

void AccountBar::SetFolders(const QStringList& names) {
    const QString chosen = folders_->currentText();
    const QSignalBlocker quiet(folders_);
    folders_->clear();
    folders_->addItems(names);
    const int kept = folders_->findText(chosen, Qt::MatchExactly);
    folders_->setCurrentIndex(kept >= 0 ? kept : (names.isEmpty() ? -1 : 0));
    folderCaption_->setVisible(!names.isEmpty());
    folders_->setVisible(!names.isEmpty());
}

QString AccountBar::ChosenFolder() const {
    return folders_->isHidden() ? QString() : folders_->currentText();
}

void AccountBar::ShowProgress(const QString& label) {
    progressBar_->setMaximum(100);
    progressBar_->setValue(0);
    progressLabel_->setText(label);
    cancelButton_->show();
    progressBar_->show();
    progressLabel_->show();
    hint_->hide();
}

void AccountBar::HideProgress() {
    progressLabel_->hide();
    progressBar_->hide();
    cancelButton_->hide();
    hint_->show();
}

bool AccountBar::ProgressShown() const {
    return !progressBar_->isHidden();
}

int AccountBar::ProgressMaximum() const {
    return progressBar_->maximum();
}

void AccountBar::SetProgressLabel(const QString& label) {
    progressLabel_->setText(label);
}

void AccountBar::SetProgress(int value, int maximum) {
    progressBar_->setMaximum(maximum);
    progressBar_->setValue(value);
}

bool AccountBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == helpLabel_ && event->type() == QEvent::MouseButtonRelease) {
        ShowHelpTopic(ListHelpTopic(static_cast<int>(ListHelpTag::Window)));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
