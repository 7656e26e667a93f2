// Building the filter editor: its controls, captions, hints, accessible names and wiring.

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
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

#include "platform/form_style.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "spam/ui/filter_window.h"

namespace {

constexpr int kTextMaxLength = 255;
constexpr int kRightColumn = 308;
constexpr int kCriteriaLabelX = 28;
constexpr int kCriteriaControlX = 272;
constexpr int kServerCriteriaControlX = 544;

QRadioButton* AddRadio(QWidget* parent, QButtonGroup* group, const char* name, const char* key,
                       int x, int y) {
    auto* radio = Place(new QRadioButton(Text(key), parent), name, x, y, 124, 18);
    radio->setAccessibleName(radio->text());
    group->addButton(radio);
    return radio;
}

QSpinBox* AddSpinBox(QWidget* parent, const char* name, int x, int y) {
    auto* spin = Place(new QSpinBox(parent), name, x, y, 80, 20);
    // The stored value is a whole int: no value read from the file may be cut on its way back.
    spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    SetFieldColour(spin, kFocusColour);
    return spin;
}

void MakeBold(QLabel* label) {
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->adjustSize();
}

}  // namespace

QLabel* SpamFilterWindow::AddLabel(const char* name, const char* key, int x, int y) {
    auto* label = new QLabel(Text(key), this);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QToolButton* SpamFilterWindow::AddRuleButton(const char* name, const char* picture,
                                             const char* hintKey, int x) {
    auto* button = Place(new QToolButton(this), name, x, 150, 24, 24);
    button->setIcon(QIcon(QStringLiteral(":/setup/") + QString::fromLatin1(picture)));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(Text(hintKey));
    button->setAccessibleName(button->toolTip());
    return button;
}

void SpamFilterWindow::BuildRuleControls() {
    MakeBold(AddLabel("Label1", "filtering", 8, 6));
    ruleList_ = Place(new QTreeWidget(this), "ListBox", 8, 24, 290, 160);
    ruleList_->setColumnCount(3);
    ruleList_->setHeaderLabels(
        {Text("filter_type"), Text("filter_relation"), Text("filter_value")});
    ruleList_->setColumnWidth(0, 64);
    ruleList_->setColumnWidth(1, 64);
    ruleList_->setColumnWidth(2, 138);
    ruleList_->header()->setSectionsClickable(false);
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

    kindGroup = new QButtonGroup(this);
    subjectChoice_ = AddRadio(this, kindGroup, "rSubj", "filter_subject", kRightColumn, 24);
    senderChoice_ = AddRadio(this, kindGroup, "rAddr", "filter_from", kRightColumn + 128, 24);
    subjectChoice_->setChecked(true);

    AddLabel("Label2", "filter_text", kRightColumn, 50);
    ruleText_ = Place(new QLineEdit(this), "eText", kRightColumn, 66, 256, 21);
    ruleText_->setMaxLength(kTextMaxLength);
    ruleText_->setAccessibleName(Text("filter_text"));
    SetFieldColour(ruleText_, kFocusColour);

    AddLabel("Label3", "filter_mode", kRightColumn, 96);
    relationGroup = new QButtonGroup(this);
    containsChoice_ =
        AddRadio(this, relationGroup, "rContent", "filter_mode_content", kRightColumn, 112);
    beginsChoice_ =
        AddRadio(this, relationGroup, "rStart", "filter_mode_begin", kRightColumn + 128, 112);
    containsChoice_->setChecked(true);

    addButton_ = AddRuleButton("badd", "add.png", "new_filter_item", kRightColumn);
    saveRuleButton_ = AddRuleButton("bedit", "save.png", "save_filter_item", kRightColumn + 26);
    deleteButton_ = AddRuleButton("bdele", "delete.png", "delete_filter_item", kRightColumn + 52);
}

void SpamFilterWindow::BuildCriteria() {
    auto* divider = Place(new QFrame(this), "Bevel1", 8, 192, 556, 2);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto* picture = Place(new QLabel(this), "criteriaPicture", 8, 198, 16, 16);
    picture->setPixmap(QIcon(QStringLiteral(":/results/state_error.png")).pixmap(16, 16));
    MakeBold(AddLabel("Label4", "mail_suspect_if", kCriteriaLabelX, 199));

    struct Criterion {
        const char* labelName;
        const char* key;
    };
    const Criterion rows[] = {{"Label6", "has_empty_subject"},
                              {"Label9", "has_empty_date"},
                              {"Label10", "has_no recipient"},
                              {"Label7", "has_more_recipients"},
                              {"Label8", "has_bigger_than"}};
    int y = 220;
    for (const Criterion& row : rows) {
        AddLabel(row.labelName, row.key, kCriteriaLabelX, y + 2);
        y += 22;
    }
    emptySubjectBox_ = Place(new QCheckBox(this), "cEmpty", kCriteriaControlX, 221, 18, 18);
    emptyDateBox_ = Place(new QCheckBox(this), "cdateempty", kCriteriaControlX, 243, 18, 18);
    noRecipientBox_ = Place(new QCheckBox(this), "cnorecipient", kCriteriaControlX, 265, 18, 18);
    maxRecipientsBox_ = AddSpinBox(this, "eRecpt", kCriteriaControlX, 286);
    maxSizeBox_ = AddSpinBox(this, "eLen", kCriteriaControlX, 308);
    QLabel* unit = AddLabel("Label5", "", kCriteriaControlX + 86, 311);
    unit->setText(QStringLiteral("kB"));
    unit->adjustSize();
    QWidget* const fields[] = {emptySubjectBox_, emptyDateBox_, noRecipientBox_, maxRecipientsBox_,
                               maxSizeBox_};
    for (std::size_t i = 0; i < std::size(rows); ++i)
        fields[i]->setAccessibleName(Text(rows[i].key));

    // The two criteria on the receiving server's verdicts, in the right column.
    AddLabel("Label11", "server_marked_spam", kRightColumn, 222);
    AddLabel("Label12", "sender_not_authenticated", kRightColumn, 244);
    serverSpamBox_ =
        Place(new QCheckBox(this), "cServerSpam", kServerCriteriaControlX, 221, 18, 18);
    unauthenticatedBox_ =
        Place(new QCheckBox(this), "cUnauthenticated", kServerCriteriaControlX, 243, 18, 18);
    serverSpamBox_->setAccessibleName(Text("server_marked_spam"));
    unauthenticatedBox_->setAccessibleName(Text("sender_not_authenticated"));
}

void SpamFilterWindow::BuildBottomRow() {
    helpButton_ = Place(new QToolButton(this), "bhelp", 400, 276, 20, 20);
    helpButton_->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    helpButton_->setAutoRaise(true);
    helpButton_->setToolTip(Text("help_btn"));
    helpButton_->setAccessibleName(helpButton_->toolTip());

    helpLabel_ = AddLabel("help_label", "help_label_filter", 424, 279);
    StyleAsLink(helpLabel_);
    helpLabel_->setToolTip(helpLabel_->text());
    helpLabel_->setAccessibleName(helpLabel_->text());
    helpLabel_->installEventFilter(this);

    closeButton_ = Place(new QToolButton(this), "bclse", 486, 304, 78, 22);
    closeButton_->setText(Text("close_button_setup"));
    closeButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    closeButton_->setAccessibleName(closeButton_->text());
    for (QToolButton* button : {helpButton_, closeButton_}) button->setFocusPolicy(Qt::StrongFocus);

    // The window grows when the link's text (a translation) needs more room than it has.
    const int linkRight = helpLabel_->x() + helpLabel_->width() + 8;
    if (linkRight > width()) {
        closeButton_->move(closeButton_->x() + linkRight - width(), closeButton_->y());
        setFixedSize(linkRight, height());
    }
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
