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
    ListBox = Place(new QTreeWidget(this), "ListBox", 8, 24, 290, 160);
    ListBox->setColumnCount(3);
    ListBox->setHeaderLabels({Text("filter_type"), Text("filter_relation"), Text("filter_value")});
    ListBox->setColumnWidth(0, 64);
    ListBox->setColumnWidth(1, 64);
    ListBox->setColumnWidth(2, 138);
    ListBox->header()->setSectionsClickable(false);
    ListBox->setRootIsDecorated(false);
    ListBox->setItemsExpandable(false);
    ListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox->setAccessibleName(Text("filtering"));
    SetFieldColour(ListBox, kFocusColour);
    // The selected rule stays marked while another control holds the focus.
    QPalette palette = ListBox->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    ListBox->setPalette(palette);

    kindGroup = new QButtonGroup(this);
    rSubj = AddRadio(this, kindGroup, "rSubj", "filter_subject", kRightColumn, 24);
    rAddr = AddRadio(this, kindGroup, "rAddr", "filter_from", kRightColumn + 128, 24);
    rSubj->setChecked(true);

    AddLabel("Label2", "filter_text", kRightColumn, 50);
    eText = Place(new QLineEdit(this), "eText", kRightColumn, 66, 256, 21);
    eText->setMaxLength(kTextMaxLength);
    eText->setAccessibleName(Text("filter_text"));
    SetFieldColour(eText, kFocusColour);

    AddLabel("Label3", "filter_mode", kRightColumn, 96);
    relationGroup = new QButtonGroup(this);
    rContent = AddRadio(this, relationGroup, "rContent", "filter_mode_content", kRightColumn, 112);
    rStart = AddRadio(this, relationGroup, "rStart", "filter_mode_begin", kRightColumn + 128, 112);
    rContent->setChecked(true);

    badd = AddRuleButton("badd", "add.png", "new_filter_item", kRightColumn);
    bedit = AddRuleButton("bedit", "save.png", "save_filter_item", kRightColumn + 26);
    bdele = AddRuleButton("bdele", "delete.png", "delete_filter_item", kRightColumn + 52);
}

void SpamFilterWindow::BuildCriteria() {
    auto* divider = Place(new QFrame(this), "Bevel1", 8, 192, 556, 2);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto* picture = Place(new QLabel(this), "Image1", 8, 198, 16, 16);
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
    cEmpty = Place(new QCheckBox(this), "cEmpty", kCriteriaControlX, 221, 18, 18);
    cdateempty = Place(new QCheckBox(this), "cdateempty", kCriteriaControlX, 243, 18, 18);
    cnorecipient = Place(new QCheckBox(this), "cnorecipient", kCriteriaControlX, 265, 18, 18);
    eRecpt = AddSpinBox(this, "eRecpt", kCriteriaControlX, 286);
    eLen = AddSpinBox(this, "eLen", kCriteriaControlX, 308);
    QLabel* unit = AddLabel("Label5", "", kCriteriaControlX + 86, 311);
    unit->setText(QStringLiteral("kB"));
    unit->adjustSize();
    QWidget* const fields[] = {cEmpty, cdateempty, cnorecipient, eRecpt, eLen};
    for (std::size_t i = 0; i < std::size(rows); ++i)
        fields[i]->setAccessibleName(Text(rows[i].key));
}

void SpamFilterWindow::BuildBottomRow() {
    bhelp = Place(new QToolButton(this), "bhelp", 400, 276, 20, 20);
    bhelp->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    bhelp->setAutoRaise(true);
    bhelp->setToolTip(Text("help_btn"));
    bhelp->setAccessibleName(bhelp->toolTip());

    help_label = AddLabel("help_label", "help_label_filter", 424, 279);
    StyleAsLink(help_label);
    help_label->setToolTip(help_label->text());
    help_label->setAccessibleName(help_label->text());
    help_label->installEventFilter(this);

    bclse = Place(new QToolButton(this), "bclse", 486, 304, 78, 22);
    bclse->setText(Text("close_button_setup"));
    bclse->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bclse->setAccessibleName(bclse->text());
    for (QToolButton* button : {bhelp, bclse}) button->setFocusPolicy(Qt::StrongFocus);

    // The window grows when the link's text (a translation) needs more room than it has.
    const int linkRight = help_label->x() + help_label->width() + 8;
    if (linkRight > width()) {
        bclse->move(bclse->x() + linkRight - width(), bclse->y());
        setFixedSize(linkRight, height());
    }
}

// The criteria stand in the order empty subject, empty date, no recipient, more recipients,
// bigger than; the keyboard reaches the no-recipient box last.
void SpamFilterWindow::SetTabOrder() {
    const std::vector<QWidget*> order = {ListBox,      rSubj,  rAddr,      eText,  rContent,
                                         rStart,       cEmpty, cdateempty, eRecpt, eLen,
                                         cnorecipient, bhelp,  bclse};
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void SpamFilterWindow::WatchFocusableControls() {
    QWidget* const focusable[] = {ListBox, rSubj,      rAddr,  eText, rContent,    rStart,
                                  cEmpty,  cdateempty, eRecpt, eLen,  cnorecipient};
    for (QWidget* control : focusable) control->installEventFilter(this);
}

void SpamFilterWindow::ConnectHandlers() {
    connect(&state_, &AppState::rulesChanged, this, [this] {
        FollowRules();
        UpdateButtons();
    });
    connect(ListBox, &QTreeWidget::itemClicked, this, [this] { ListBoxClick(); });
    connect(ListBox, &QTreeWidget::itemSelectionChanged, this, [this] { ListBoxClick(); });
    connect(eText, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(badd, &QToolButton::clicked, this, [this] { addClick(); });
    connect(bedit, &QToolButton::clicked, this, [this] { saveClick(); });
    connect(bdele, &QToolButton::clicked, this, [this] { deleteClick(); });
    connect(bhelp, &QToolButton::clicked, this, [this] { bhelpClick(); });
    connect(bclse, &QToolButton::clicked, this, [this] { bclseClick(); });
    // Escape closes the way the Close button does (the criteria are saved).
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            [this] { bclseClick(); });
}

void SpamFilterWindow::FormCreate() {
    setWindowTitle(QStringLiteral("  ") + Text("set_filter_window"));
    cEmpty->setChecked(state_.spamCriteria.noEmptySubject);
    cdateempty->setChecked(state_.spamCriteria.noEmptyDate);
    cnorecipient->setChecked(state_.spamCriteria.noRecipient);
    eRecpt->setValue(state_.spamCriteria.maxRecipients);
    eLen->setValue(state_.spamCriteria.maxSize);
    {
        const QSignalBlocker quiet(ListBox);
        for (const auto& rule : state_.spamRules) {
            auto* row = new QTreeWidgetItem(ListBox);
            ShowRule(row, *rule);
        }
    }
    UpdateButtons();
    eText->setFocus();
}
