#pragma once
// The lower half of the list window: a caption bar (help, the message commands, what is shown),
// the header view of the chosen message and the text pane, which shows the header as text or
// the whole message once it was fetched; the shown message can be saved from there.

#include <QWidget>
#include <string>
#include <vector>

#include "list/list_window_rules.h"
#include "list/ui/list_actions.h"

class MailMessage;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QTreeWidget;
struct HeaderRow;

class MessagePane : public QWidget {
    Q_OBJECT
public:
    explicit MessagePane(const ListActions& actions, QWidget* parent = nullptr);

    // Empty views, captioned as the header view they are again; a shown message is gone.
    void Clear();
    // The text pane only, emptied.
    void ClearText();
    // The header of `entry` (none: only the caption), and its whole text when it was fetched;
    // a first row in red says why the server's verdicts mark it, when they do.
    void ShowHeader(const MailMessage* entry, const std::string& spamReason = {});
    // The whole fetched message: its parts in the header view, its text in the pane.
    void ShowMessage(const MailMessage& entry);
    // Asks for a file and writes the shown message to it; throws when it cannot be written.
    void SaveMessage(const MailMessage& entry);

    PaneState State() const { return state_; }
    QTreeWidget* HeaderView() const { return headerView_; }
    QPlainTextEdit* TextView() const { return messageText_; }

    // The text pane keeps its share when the window is resized to `windowWidth`.
    void FitTextWidth(int windowWidth);
    void LoadSizes(const ListWindowSizes& sizes);
    void StoreSizes(ListWindowSizes& sizes) const;

private:
    QWidget* BuildCaptionBar(const ListActions& actions);
    void BuildMenus(const ListActions& actions);
    void SetCaption(const char* key);
    void SetLines(const std::vector<std::string>& lines);
    void AddHeaderViewRow(const HeaderRow& row, bool red = false);

    PaneState state_ = PaneState::Untouched;
    std::vector<std::string> lines_;  // what the text pane shows, line by line
    QLabel* caption_ = nullptr;
    QTreeWidget* headerView_ = nullptr;
    QPlainTextEdit* messageText_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QMenu* headerMenu_ = nullptr;
    QMenu* textMenu_ = nullptr;
};
