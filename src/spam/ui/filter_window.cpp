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

#include "platform/form_style.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/pop_command.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "settings/text_utils.h"
#include "spam/filter_editing.h"

namespace {

constexpr int kFilterHelpTopic = 400;
constexpr int kTextMaxLength = 255;

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

SpamFilterWindow::SpamFilterWindow(AppState& state)
    : ChildWindow(FilterWindowHandle, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                          Qt::WindowCloseButtonHint),
      state_(state) {
    setObjectName(QStringLiteral("ffilter"));
    setFixedSize(572, 330);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kFieldColour);
    setPalette(palette);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    BuildRuleControls();
    BuildCriteria();
    BuildBottomRow();
    SetTabOrder();
    WatchFocusableControls();
    ConnectHandlers();
    FormCreate();
}

RuleKind SpamFilterWindow::CurrentKind() const {
    return rAddr->isChecked() ? RuleKind::Sender : RuleKind::Subject;
}

QTreeWidgetItem* SpamFilterWindow::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = ListBox->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void SpamFilterWindow::SelectRow(QTreeWidgetItem* row) {
    const QSignalBlocker quiet(ListBox);
    ListBox->clearSelection();
    ListBox->setCurrentItem(row);
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
        const QSignalBlocker quiet(ListBox);
        for (int index = ListBox->topLevelItemCount() - 1; index >= 0; --index) {
            QTreeWidgetItem* row = ListBox->topLevelItem(index);
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
    badd->setEnabled(HasText(FromQt(eText->text())));
    bedit->setEnabled(badd->isEnabled() && ListBox->topLevelItemCount() > 0 &&
                      SelectedRow() != nullptr);
    bdele->setEnabled(bedit->isEnabled());
}

// The rule takes the edit controls as they stand, its text exactly as typed.
void SpamFilterWindow::FillItem(QTreeWidgetItem* row, SpamRuleEntry* rule) {
    rule->filter.kind = CurrentKind();
    rule->filter.content = rContent->isChecked();
    rule->filter.text = FromQt(eText->text());
    ShowRule(row, *rule);
    SelectRow(row);
    ListBox->scrollToItem(row);
}

QTreeWidgetItem* SpamFilterWindow::FindDuplicate() {
    const std::string text = FromQt(eText->text());
    for (int index = 0; index < ListBox->topLevelItemCount(); ++index) {
        QTreeWidgetItem* row = ListBox->topLevelItem(index);
        const SpamRuleEntry* rule = RuleOf(row);
        if (rule != nullptr && IsDuplicateOf(rule->filter, CurrentKind(), text)) return row;
    }
    return nullptr;
}

void SpamFilterWindow::ListBoxClick() {
    const QTreeWidgetItem* row = SelectedRow();
    const SpamRuleEntry* rule = row == nullptr ? nullptr : RuleOf(row);
    if (rule == nullptr) {
        UpdateButtons();
        return;
    }
    (rule->filter.kind == RuleKind::Subject ? rSubj : rAddr)->setChecked(true);
    (rule->filter.content ? rContent : rStart)->setChecked(true);
    // A longer text from a hand-edited file is shown whole, so that saving does not cut it.
    ShowWhole(eText, ToQt(rule->filter.text), kTextMaxLength);
    UpdateButtons();
}

void SpamFilterWindow::addClick() {
    if (!HasText(FromQt(eText->text()))) return;
    QTreeWidgetItem* duplicate = FindDuplicate();
    SelectRow(duplicate);
    if (duplicate != nullptr) {
        saveClick();
        return;
    }
    state_.spamRules.push_back(std::make_unique<SpamRuleEntry>());
    auto* row = new QTreeWidgetItem(ListBox);
    FillItem(row, state_.spamRules.back().get());
    ClearWithLimit(eText, kTextMaxLength);
    StoreCriteria();
}

void SpamFilterWindow::saveClick() {
    QTreeWidgetItem* row = SelectedRow();
    SpamRuleEntry* rule = row == nullptr ? nullptr : RuleOf(row);
    if (!HasText(FromQt(eText->text())) || rule == nullptr) return;
    FillItem(row, rule);
    ClearWithLimit(eText, kTextMaxLength);
    StoreCriteria();
}

void SpamFilterWindow::deleteClick() {
    const QTreeWidgetItem* selected = SelectedRow();
    if (!HasText(FromQt(eText->text())) || selected == nullptr) return;
    const SpamRuleEntry* chosen = RuleOf(selected);
    if (chosen == nullptr) return;
    const std::uint64_t id = chosen->Id();
    if (!AskYesNo(this, Text("delete_filter_dialog_title"), Text("delete_filter_dialog"))) return;
    // The question waited in a loop of its own, in which the rule may have gone elsewhere.
    const auto live = std::find_if(state_.spamRules.begin(), state_.spamRules.end(),
                                   [id](const auto& each) { return each->Id() == id; });
    if (live == state_.spamRules.end()) return;
    {
        const QSignalBlocker quiet(ListBox);
        for (int index = ListBox->topLevelItemCount() - 1; index >= 0; --index)
            if (ListBox->topLevelItem(index)->data(0, Qt::UserRole).toULongLong() == id)
                delete ListBox->takeTopLevelItem(index);
        ListBox->clearSelection();
        ListBox->setCurrentItem(nullptr);
    }
    state_.spamRules.erase(live);
    ClearWithLimit(eText, kTextMaxLength);
    StoreCriteria();
}

void SpamFilterWindow::StoreCriteria() {
    state_.spamCriteria.noEmptySubject = cEmpty->isChecked();
    state_.spamCriteria.noEmptyDate = cdateempty->isChecked();
    state_.spamCriteria.noRecipient = cnorecipient->isChecked();
    state_.spamCriteria.maxRecipients = eRecpt->value();
    state_.spamCriteria.maxSize = eLen->value();
    state_.SaveFilter();
    UpdateButtons();
}

void SpamFilterWindow::bhelpClick() {
    ShowHelpTopic(kFilterHelpTopic);
}

void SpamFilterWindow::bclseClick() {
    StoreCriteria();
    close();
}

bool SpamFilterWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (helpKeyDown(key) || EnterNext(key)) return true;
    } else if (watched == static_cast<QObject*>(help_label) &&
               event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        bhelpClick();
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
    bhelpClick();
    return true;
}

void ShowFilterWindow(AppState& state) {
    OpenOrRaise(
        FilterWindowHandle, [&state] { return new SpamFilterWindow(state); },
        Placement::ScreenCentre);
}
