// Building the filter editor: its controls, captions, hints, accessible names and wiring.

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <limits>
#include <vector>

#include "settings/language.h"
#include "spam/ui/filter_window.h"
#include "state/app_state.h"
#include "widgets/form_style.h"
#include "widgets/ui_text.h"

namespace {

constexpr int kTextMaxLength = 255;

QRadioButton* AddRadio(QWidget* parent, QButtonGroup* group, const char* name, const char* key) {
    auto* radio = Named(new QRadioButton(Text(key), parent), name);
    radio->setAccessibleName(radio->text());
    group->addButton(radio);
    return radio;
}

QSpinBox* AddSpinBox(QWidget* parent, const char* name) {
    auto* spin = Named(new QSpinBox(parent), name);
    // The stored value is a whole int: no value read from the file may be cut on its way back.
    spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    spin->setFixedWidth(80);
    SetFieldColour(spin, kFocusColour);
    return spin;
}

void MakeBold(QLabel* label) {
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
}

// Two radio buttons side by side.
QHBoxLayout* Pair(QWidget* left, QWidget* right) {
    auto* row = new QHBoxLayout;
    row->addWidget(left);
    row->addWidget(right);
    row->addStretch();
    return row;
}

}  // namespace

QLabel* SpamFilterWindow::AddLabel(const char* name, const char* key) {
    return Named(new QLabel(Text(key), this), name);
}

QToolButton* SpamFilterWindow::AddRuleButton(const char* name, const char* picture,
                                             const char* hintKey) {
    auto* button = Named(new QToolButton(this), name);
    button->setIcon(QIcon(QStringLiteral(":/setup/") + QString::fromLatin1(picture)));
    button->setFixedSize(24, 24);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(Text(hintKey));
    button->setAccessibleName(button->toolTip());
    return button;
}

// The rules' table on the left (it takes what the window grows by), the rule's fields on the
// right.
void SpamFilterWindow::BuildRuleControls(QVBoxLayout* column) {
    QLabel* title = AddLabel("Label1", "filtering");
    MakeBold(title);
    ruleList_ = Named(new QTreeWidget(this), "ListBox");
    ruleList_->setColumnCount(3);
    ruleList_->setHeaderLabels(
        {Text("filter_type"), Text("filter_relation"), Text("filter_value")});
    // The kind and the relation are as wide as their words; the value takes the rest.
    QHeaderView* header = ruleList_->header();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    header->setSectionsClickable(false);
    ruleList_->setMinimumSize(260, 140);
    ruleList_->setRootIsDecorated(false);
    ruleList_->setItemsExpandable(false);
    ruleList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ruleList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    ruleList_->setSelectionMode(QAbstractItemView::SingleSelection);
    ruleList_->setAccessibleName(Text("filtering"));
    SetFieldColour(ruleList_, kFocusColour);
    // The selected rule stays marked while another control holds the focus.
    QPalette palette = ruleList_->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    ruleList_->setPalette(palette);
    auto* left = new QVBoxLayout;
    left->addWidget(title);
    left->addWidget(ruleList_, 1);

    kindGroup = new QButtonGroup(this);
    subjectChoice_ = AddRadio(this, kindGroup, "rSubj", "filter_subject");
    senderChoice_ = AddRadio(this, kindGroup, "rAddr", "filter_from");
    subjectChoice_->setChecked(true);
    QLabel* textLabel = AddLabel("Label2", "filter_text");
    ruleText_ = Named(new QLineEdit(this), "eText");
    ruleText_->setMaxLength(kTextMaxLength);
    ruleText_->setMinimumWidth(240);
    ruleText_->setAccessibleName(Text("filter_text"));
    SetFieldColour(ruleText_, kFocusColour);
    QLabel* modeLabel = AddLabel("Label3", "filter_mode");
    relationGroup = new QButtonGroup(this);
    containsChoice_ = AddRadio(this, relationGroup, "rContent", "filter_mode_content");
    beginsChoice_ = AddRadio(this, relationGroup, "rStart", "filter_mode_begin");
    containsChoice_->setChecked(true);
    addButton_ = AddRuleButton("badd", "add.png", "new_filter_item");
    saveRuleButton_ = AddRuleButton("bedit", "save.png", "save_filter_item");
    deleteButton_ = AddRuleButton("bdele", "delete.png", "delete_filter_item");
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (QToolButton* button : {addButton_, saveRuleButton_, deleteButton_})
        buttons->addWidget(button);
    buttons->addStretch();

    auto* right = new QVBoxLayout;
    right->setSpacing(3);
    right->addSpacing(title->sizeHint().height());
    right->addLayout(Pair(subjectChoice_, senderChoice_));
    right->addSpacing(6);
    right->addWidget(textLabel);
    right->addWidget(ruleText_);
    right->addSpacing(6);
    right->addWidget(modeLabel);
    right->addLayout(Pair(containsChoice_, beginsChoice_));
    right->addSpacing(6);
    right->addLayout(buttons);
    right->addStretch();

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addLayout(left, 1);
    row->addLayout(right);
    column->addLayout(row, 1);
}

// Below a line: the criteria, each a text and its box, and beside them the help link and Close.
void SpamFilterWindow::BuildCriteria(QVBoxLayout* column) {
    auto* divider = Named(new QFrame(this), "Bevel1");
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    auto* picture = Named(new QLabel(this), "criteriaPicture");
    picture->setPixmap(QIcon(QStringLiteral(":/results/state_error.png")).pixmap(16, 16));
    QLabel* title = AddLabel("Label4", "mail_suspect_if");
    MakeBold(title);
    grid->addWidget(picture, 0, 0);
    grid->addWidget(title, 0, 1, 1, 3);

    struct Criterion {
        const char* labelName;
        const char* key;
    };
    const Criterion rows[] = {{"Label6", "has_empty_subject"},
                              {"Label9", "has_empty_date"},
                              {"Label10", "has_no recipient"},
                              {"Label7", "has_more_recipients"},
                              {"Label8", "has_bigger_than"}};
    emptySubjectBox_ = Named(new QCheckBox(this), "cEmpty");
    emptyDateBox_ = Named(new QCheckBox(this), "cdateempty");
    noRecipientBox_ = Named(new QCheckBox(this), "cnorecipient");
    maxRecipientsBox_ = AddSpinBox(this, "eRecpt");
    maxSizeBox_ = AddSpinBox(this, "eLen");
    QWidget* const fields[] = {emptySubjectBox_, emptyDateBox_, noRecipientBox_, maxRecipientsBox_,
                               maxSizeBox_};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const int line = static_cast<int>(i) + 1;
        grid->setRowMinimumHeight(line, maxSizeBox_->sizeHint().height());
        grid->addWidget(AddLabel(rows[i].labelName, rows[i].key), line, 1);
        grid->addWidget(fields[i], line, 2);
        fields[i]->setAccessibleName(Text(rows[i].key));
    }
    QLabel* unit = AddLabel("Label5", "");
    unit->setText(QStringLiteral("kB"));
    grid->addWidget(unit, 5, 3);
    grid->setColumnMinimumWidth(3, 24);

    // The two criteria on the receiving server's verdicts, beside the five, above help and close.
    auto* verdicts = new QGridLayout;
    verdicts->setHorizontalSpacing(6);
    verdicts->setVerticalSpacing(2);
    const Criterion serverRows[] = {{"Label11", "server_marked_spam"},
                                    {"Label12", "sender_not_authenticated"}};
    serverSpamBox_ = Named(new QCheckBox(this), "cServerSpam");
    unauthenticatedBox_ = Named(new QCheckBox(this), "cUnauthenticated");
    QCheckBox* const serverBoxes[] = {serverSpamBox_, unauthenticatedBox_};
    for (std::size_t i = 0; i < std::size(serverRows); ++i) {
        const int line = static_cast<int>(i);
        verdicts->setRowMinimumHeight(line, maxSizeBox_->sizeHint().height());
        verdicts->addWidget(AddLabel(serverRows[i].labelName, serverRows[i].key), line, 0);
        verdicts->addWidget(serverBoxes[i], line, 1);
        serverBoxes[i]->setAccessibleName(Text(serverRows[i].key));
    }

    helpButton_ = Named(new QToolButton(this), "bhelp");
    helpButton_->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    helpButton_->setFixedSize(20, 20);
    helpButton_->setAutoRaise(true);
    helpButton_->setToolTip(Text("help_btn"));
    helpButton_->setAccessibleName(helpButton_->toolTip());
    helpLabel_ = AddLabel("help_label", "help_label_filter");
    StyleAsLink(helpLabel_);
    helpLabel_->setToolTip(helpLabel_->text());
    helpLabel_->setAccessibleName(helpLabel_->text());
    helpLabel_->installEventFilter(this);
    closeButton_ = Named(new QToolButton(this), "bclse");
    closeButton_->setText(Text("close_button_setup"));
    closeButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    closeButton_->setMinimumSize(78, 22);
    closeButton_->setAccessibleName(closeButton_->text());
    for (QToolButton* button : {helpButton_, closeButton_}) button->setFocusPolicy(Qt::StrongFocus);
    auto* help = new QHBoxLayout;
    help->setSpacing(4);
    help->addWidget(helpButton_);
    help->addWidget(helpLabel_);
    auto* side = new QVBoxLayout;
    side->addSpacing(maxSizeBox_->sizeHint().height());  // level with the first criterion
    side->addLayout(verdicts);
    side->addStretch();
    side->addLayout(help);
    side->addSpacing(6);
    side->addWidget(closeButton_, 0, Qt::AlignRight);

    auto* row = new QHBoxLayout;
    row->addLayout(grid);
    row->addStretch();
    row->addLayout(side);
    column->addLayout(row);
}

// The window keeps its size unless a translation needs more room; it may grow, and its table
// grows with it.
void SpamFilterWindow::BuildLayout() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 4);
    column->setSpacing(4);
    BuildRuleControls(column);
    BuildCriteria(column);
    const QSize needed = column->minimumSize();
    setMinimumSize(needed);
    resize(std::max(kWidth, needed.width()), std::max(kHeight, needed.height()));
}

// The criteria stand in the order empty subject, empty date, no recipient, more recipients,
// bigger than; the keyboard reaches the no-recipient box last of them, then the two on the
// server's verdicts.
void SpamFilterWindow::SetTabOrder() {
    const std::vector<QWidget*> order = {
        ruleList_,       subjectChoice_,   senderChoice_,       ruleText_,         containsChoice_,
        beginsChoice_,   emptySubjectBox_, emptyDateBox_,       maxRecipientsBox_, maxSizeBox_,
        noRecipientBox_, serverSpamBox_,   unauthenticatedBox_, helpButton_,       closeButton_};
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void SpamFilterWindow::WatchFocusableControls() {
    QWidget* const focusable[] = {
        ruleList_,       subjectChoice_,   senderChoice_,      ruleText_,         containsChoice_,
        beginsChoice_,   emptySubjectBox_, emptyDateBox_,      maxRecipientsBox_, maxSizeBox_,
        noRecipientBox_, serverSpamBox_,   unauthenticatedBox_};
    for (QWidget* control : focusable) control->installEventFilter(this);
}

void SpamFilterWindow::ConnectHandlers() {
    connect(&state_, &AppState::rulesChanged, this, [this] {
        FollowRules();
        UpdateButtons();
    });
    connect(ruleList_, &QTreeWidget::itemClicked, this, [this] { LoadChosenRule(); });
    connect(ruleList_, &QTreeWidget::itemSelectionChanged, this, [this] { LoadChosenRule(); });
    connect(ruleText_, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(addButton_, &QToolButton::clicked, this, [this] { AddRule(); });
    connect(saveRuleButton_, &QToolButton::clicked, this, [this] { SaveRule(); });
    connect(deleteButton_, &QToolButton::clicked, this, [this] { DeleteRule(); });
    connect(helpButton_, &QToolButton::clicked, this, [this] { ShowHelp(); });
    connect(closeButton_, &QToolButton::clicked, this, [this] { CloseWindow(); });
    // Escape closes the way the Close button does (the criteria are saved).
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            [this] { CloseWindow(); });
}

void SpamFilterWindow::ShowStoredValues() {
    setWindowTitle(QStringLiteral("  ") + Text("set_filter_window"));
    emptySubjectBox_->setChecked(state_.spamCriteria.noEmptySubject);
    emptyDateBox_->setChecked(state_.spamCriteria.noEmptyDate);
    noRecipientBox_->setChecked(state_.spamCriteria.noRecipient);
    serverSpamBox_->setChecked(state_.spamCriteria.serverSpam);
    unauthenticatedBox_->setChecked(state_.spamCriteria.unauthenticated);
    maxRecipientsBox_->setValue(state_.spamCriteria.maxRecipients);
    maxSizeBox_->setValue(state_.spamCriteria.maxSize);
    {
        const QSignalBlocker quiet(ruleList_);
        for (const auto& rule : state_.spamRules) {
            auto* row = new QTreeWidgetItem(ruleList_);
            ShowRule(row, *rule);
        }
    }
    UpdateButtons();
    ruleText_->setFocus();
}
