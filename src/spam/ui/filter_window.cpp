#include "spam/ui/filter_window.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

#include "settings/language.h"
#include "settings/text_utils.h"
#include "spam/filter_editing.h"
#include "state/app_state.h"
#include "widgets/form_style.h"
#include "widgets/help.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

constexpr int kFilterHelpTopic = 400;
constexpr int kTextMaxLength = 255;

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

SpamFilterWindow::SpamFilterWindow(AppState& state)
    : ChildWindow(WindowKind::Filter, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                          Qt::WindowCloseButtonHint),
      state_(state) {
    setObjectName(QStringLiteral("ffilter"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kFieldColour);
    setPalette(palette);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    BuildLayout();
    SetTabOrder();
    WatchFocusableControls();
    ConnectHandlers();
    ShowStoredValues();
}

RuleKind SpamFilterWindow::CurrentKind() const {
    return senderChoice_->isChecked() ? RuleKind::Sender : RuleKind::Subject;
}

QTreeWidgetItem* SpamFilterWindow::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = ruleList_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void SpamFilterWindow::SelectRow(QTreeWidgetItem* row) {
    const QSignalBlocker quiet(ruleList_);
    ruleList_->clearSelection();
    ruleList_->setCurrentItem(row);
    if (row != nullptr) row->setSelected(true);
}

SpamRuleEntry* SpamFilterWindow::RuleOf(const QTreeWidgetItem* row) const {
    return FindRule(state_.spamRules, row->data(0, Qt::UserRole).toULongLong());
}

// Rules change behind the rows (the list window's spam actions): a row whose rule is gone
// goes, and every other row shows its rule as it now is, so a row never acts on a rule other
// than the one it shows.
void SpamFilterWindow::FollowRules() {
    const QTreeWidgetItem* selected = SelectedRow();
    bool selectedGone = false;
    {
        const QSignalBlocker quiet(ruleList_);
        for (int index = ruleList_->topLevelItemCount() - 1; index >= 0; --index) {
            QTreeWidgetItem* row = ruleList_->topLevelItem(index);
            if (SpamRuleEntry* rule = RuleOf(row)) {
                ShowRule(row, *rule);
            } else {
                selectedGone = selectedGone || row == selected;
                delete row;
            }
        }
    }
    // The list would hand the selection on to the next row, which the user never chose.
    if (selectedGone) SelectRow(nullptr);
}

void SpamFilterWindow::ShowRule(QTreeWidgetItem* row, SpamRuleEntry& rule) {
    row->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<qulonglong>(rule.Id())));
    row->setText(0, Text(KindKey(rule.filter.kind)));
    row->setText(1, Text(RelationKey(rule.filter.content)));
    row->setText(2, ToQt(rule.filter.text));
}

void SpamFilterWindow::UpdateButtons() {
    addButton_->setEnabled(HasText(FromQt(ruleText_->text())));
    saveRuleButton_->setEnabled(addButton_->isEnabled() && ruleList_->topLevelItemCount() > 0 &&
                                SelectedRow() != nullptr);
    deleteButton_->setEnabled(saveRuleButton_->isEnabled());
}

// The rule takes the edit controls as they stand, its text exactly as typed. The row is shown
// but not left selected: the fields are emptied for the next rule, and a selected row would
// offer Save and Delete for a rule the fields no longer show.
void SpamFilterWindow::FillItem(QTreeWidgetItem* row, SpamRuleEntry* rule) {
    rule->filter.kind = CurrentKind();
    rule->filter.content = containsChoice_->isChecked();
    rule->filter.text = FromQt(ruleText_->text());
    ShowRule(row, *rule);
    SelectRow(nullptr);
    ruleList_->scrollToItem(row);
}

QTreeWidgetItem* SpamFilterWindow::FindDuplicate() {
    const std::string text = FromQt(ruleText_->text());
    for (int index = 0; index < ruleList_->topLevelItemCount(); ++index) {
        QTreeWidgetItem* row = ruleList_->topLevelItem(index);
        const SpamRuleEntry* rule = RuleOf(row);
        if (rule != nullptr && IsDuplicateOf(rule->filter, CurrentKind(), text)) return row;
    }
    return nullptr;
}

void SpamFilterWindow::LoadChosenRule() {
    const QTreeWidgetItem* row = SelectedRow();
    const SpamRuleEntry* rule = row == nullptr ? nullptr : RuleOf(row);
    if (rule == nullptr) {
        UpdateButtons();
        return;
    }
    (rule->filter.kind == RuleKind::Subject ? subjectChoice_ : senderChoice_)->setChecked(true);
    (rule->filter.content ? containsChoice_ : beginsChoice_)->setChecked(true);
    // A longer text from a hand-edited file is shown whole, so that saving does not cut it.
    ShowWhole(ruleText_, ToQt(rule->filter.text), kTextMaxLength);
    UpdateButtons();
}

void SpamFilterWindow::AddRule() {
    if (!HasText(FromQt(ruleText_->text()))) return;
    QTreeWidgetItem* duplicate = FindDuplicate();
    SelectRow(duplicate);
    if (duplicate != nullptr) {
        SaveRule();
        return;
    }
    state_.spamRules.push_back(std::make_unique<SpamRuleEntry>());
    auto* row = new QTreeWidgetItem(ruleList_);
    FillItem(row, state_.spamRules.back().get());
    ClearWithLimit(ruleText_, kTextMaxLength);
    StoreCriteria();
}

void SpamFilterWindow::SaveRule() {
    QTreeWidgetItem* row = SelectedRow();
    SpamRuleEntry* rule = row == nullptr ? nullptr : RuleOf(row);
    if (!HasText(FromQt(ruleText_->text())) || rule == nullptr) return;
    FillItem(row, rule);
    ClearWithLimit(ruleText_, kTextMaxLength);
    StoreCriteria();
}

void SpamFilterWindow::DeleteRule() {
    const QTreeWidgetItem* selected = SelectedRow();
    if (!HasText(FromQt(ruleText_->text())) || selected == nullptr) return;
    const SpamRuleEntry* chosen = RuleOf(selected);
    if (chosen == nullptr) return;
    const std::uint64_t id = chosen->Id();
    if (!AskYesNo(this, Text("delete_filter_dialog_title"), Text("delete_filter_dialog"))) return;
    // The question waited in a loop of its own, in which the rule may have gone elsewhere.
    const auto live = std::find_if(state_.spamRules.begin(), state_.spamRules.end(),
                                   [id](const auto& each) { return each->Id() == id; });
    if (live == state_.spamRules.end()) return;
    {
        const QSignalBlocker quiet(ruleList_);
        for (int index = ruleList_->topLevelItemCount() - 1; index >= 0; --index)
            if (ruleList_->topLevelItem(index)->data(0, Qt::UserRole).toULongLong() == id)
                delete ruleList_->takeTopLevelItem(index);
        ruleList_->clearSelection();
        ruleList_->setCurrentItem(nullptr);
    }
    state_.spamRules.erase(live);
    ClearWithLimit(ruleText_, kTextMaxLength);
    StoreCriteria();
}

void SpamFilterWindow::StoreCriteria() {
    state_.spamCriteria.noEmptySubject = emptySubjectBox_->isChecked();
    state_.spamCriteria.noEmptyDate = emptyDateBox_->isChecked();
    state_.spamCriteria.noRecipient = noRecipientBox_->isChecked();
    state_.spamCriteria.serverSpam = serverSpamBox_->isChecked();
    state_.spamCriteria.unauthenticated = unauthenticatedBox_->isChecked();
    state_.spamCriteria.maxRecipients = maxRecipientsBox_->value();
    state_.spamCriteria.maxSize = maxSizeBox_->value();
    state_.SaveFilter();
    UpdateButtons();
}

void SpamFilterWindow::ShowHelp() {
    ShowHelpTopic(kFilterHelpTopic);
}

void SpamFilterWindow::CloseWindow() {
    StoreCriteria();
    close();
}

bool SpamFilterWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (helpKeyDown(key) || EnterNext(key)) return true;
    } else if (watched == static_cast<QObject*>(helpLabel_) &&
               event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ShowHelp();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool SpamFilterWindow::EnterNext(QKeyEvent* key) {
    if (!IsEnter(key)) return false;
    focusNextPrevChild(true);
    return true;
}

bool SpamFilterWindow::helpKeyDown(QKeyEvent* key) {
    if (key->key() != Qt::Key_F1) return false;
    ShowHelp();
    return true;
}

void ShowFilterWindow(AppState& state) {
    OpenOrRaise(
        WindowKind::Filter, [&state] { return new SpamFilterWindow(state); },
        Placement::ScreenCentre);
}
