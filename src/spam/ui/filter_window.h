#pragma once
// The spam filter editor: the rule list (add, change, delete subject and sender rules) and the
// five general criteria. Its rows name the program's rules by id, so every change acts at
// once on what the header listing uses, and they follow the rules when another window changes
// them; rules and criteria are written after every rule change and by the close button, never
// by the title-bar button.

#include <QWidget>

#include "spam/spam_types.h"
#include "widgets/child_window.h"

class AppState;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

class SpamFilterWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit SpamFilterWindow(AppState& state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window's size when it opens, unless a translation needs more room.
    static constexpr int kWidth = 572;
    static constexpr int kHeight = 330;
    // Building the window (filter_window_build.cpp).
    void BuildLayout();
    void BuildRuleControls(QVBoxLayout* column);
    void BuildCriteria(QVBoxLayout* column);
    QToolButton* AddRuleButton(const char* name, const char* picture, const char* hintKey);
    QLabel* AddLabel(const char* name, const char* key);
    void SetTabOrder();
    void WatchFocusableControls();
    void ConnectHandlers();
    void ShowStoredValues();

    // Rules and criteria (filter_window.cpp).
    void UpdateButtons();
    void FillItem(QTreeWidgetItem* row, SpamRuleEntry* rule);
    void ShowRule(QTreeWidgetItem* row, SpamRuleEntry& rule);
    QTreeWidgetItem* FindDuplicate();
    QTreeWidgetItem* SelectedRow() const;
    void SelectRow(QTreeWidgetItem* row);
    SpamRuleEntry* RuleOf(const QTreeWidgetItem* row) const;
    void FollowRules();
    RuleKind CurrentKind() const;
    void LoadChosenRule();
    void AddRule();
    void SaveRule();
    void DeleteRule();
    void StoreCriteria();
    void ShowHelp();
    void CloseWindow();

    // Keys: Enter moves on, F1 opens help.
    bool EnterNext(QKeyEvent* key);
    bool helpKeyDown(QKeyEvent* key);

    QTreeWidget* ruleList_ = nullptr;
    QRadioButton* subjectChoice_ = nullptr;
    QRadioButton* senderChoice_ = nullptr;
    QLineEdit* ruleText_ = nullptr;
    QRadioButton* containsChoice_ = nullptr;
    QRadioButton* beginsChoice_ = nullptr;
    QCheckBox* emptySubjectBox_ = nullptr;
    QCheckBox* emptyDateBox_ = nullptr;
    QCheckBox* noRecipientBox_ = nullptr;
    QCheckBox* serverSpamBox_ = nullptr;
    QCheckBox* unauthenticatedBox_ = nullptr;
    QSpinBox* maxRecipientsBox_ = nullptr;
    QSpinBox* maxSizeBox_ = nullptr;
    QToolButton* addButton_ = nullptr;
    QToolButton* saveRuleButton_ = nullptr;
    QToolButton* deleteButton_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QToolButton* helpButton_ = nullptr;
    QLabel* helpLabel_ = nullptr;
    QButtonGroup* kindGroup = nullptr;
    QButtonGroup* relationGroup = nullptr;
    AppState& state_;
};

// Shows the filter editor: brings the open one to the front, or creates it.
void ShowFilterWindow(AppState& state);
