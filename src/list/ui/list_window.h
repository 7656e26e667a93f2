#pragma once
// The list window: the mailbox of one account on the server. It lists the header of every
// message with its spam mark, sorts the list, shows a header or a whole message as text, saves
// a message, deletes messages or all spam on the server and makes spam rules from a message.
// The session that listed the headers stays open (kept alive) while the account is shown; it
// runs on a worker thread of its controller, and the window only shows what it reports.

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "list/list_window_rules.h"
#include "list/ui/list_actions.h"
#include "list/ui/mailbox_controller.h"
#include "settings/accounts.h"
#include "widgets/child_window.h"

class AccountBar;
class InterruptSignal;
class AppState;
class HeaderList;
class HeaderListModel;
class MessagePane;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
struct MessageRow;

// The window assembles its account bar, header list and message pane, and keeps the commands
// and the wiring to its mailbox controller.
class MailboxWindow : public ChildWindow {
    Q_OBJECT
public:
    // `factory` opens the window's sessions; none: the program's (OpenSession).
    explicit MailboxWindow(AppState& state, SessionFactory factory = {});

    // Selects the state's pending account (clearing it) and fetches its headers.
    void OpenPendingAccount();
    // Opens the state's pending account from the event loop, or when the running request ends.
    void OpenPendingSoon();
    // Shows an error of the program in status panel 1.
    void ShowError(const QString& message);
    // The account a new window shows: the pending one, listed at once, or else the first one.
    void ShowStartAccount();
    // The account box's selection changed (no headers are fetched).
    void onAccountChosen();
    // The account chosen, with the folder chosen in the folder box as its folder; null when no
    // account is chosen.
    std::optional<AccountSettings> ChosenAccount() const;
    void FetchHeaders();
    void UpdateCommands();

    MailboxController& Controller() const { return *controller_; }
    PaneState PaneStateNow() const;
    // The account at `index` of the account box, or null.
    const AccountSettings* AccountAt(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Building (list_window_build.cpp).
    void BuildWindow();
    void BuildActions();
    void BuildListMenu();
    void BuildStatusBar();
    QAction* MakeAction(const char* name, const char* captionKey, int image);
    void FillAccountBox();
    void LoadLayout();
    void SaveLayout();

    // State and the controller's reports (list_window.cpp).
    void ConnectController();
    // What the progress shows: the listing's label counts the messages once they are known.
    enum class ProgressMode { Listing, Message };
    void ShowProgress(ProgressMode mode, const char* key);
    void HideProgress();
    void ShowRequestProgress(int value, int maximum);
    // The end of a request, however it ended.
    void onRequestFinished(MailboxController::Request request, bool cancelled);
    void onListingFailed(const QString& title, const QString& message);
    void onMessageFetched(MessageId id);
    void onRowsDeleted();
    void SetStatus(int panel, const std::string& text);
    void RunGuarded(const std::function<void()>& command);
    int SelectedAccount() const;

    // The folder box (list_window_folders.cpp).
    // Fills it for `account`: hidden for an account with one folder; the names FOLDERS= gives,
    // or for "*" the folders the last check found until the server's list comes from a worker.
    void FillFolderBox(const AccountSettings& account);

    // The commands, the keys and the list menu (list_window_actions.cpp).
    void FetchHeadersOf(const QString& email);
    void ShowWholeMessage();
    void SaveMessage();
    void DeleteMessage();
    void DeleteAllSpam();
    void ToggleSpamMark();
    void MarkAllAsSpam();
    void ClearSpamMarks();
    void AddSubjectRule();
    void AddSenderRule();
    void CancelRequest();
    void MarkFromRule(RuleKind kind, const std::string& text);
    bool HandleKey(QWidget* control, int key);
    void OpenListMenu();

    AppState& state_;
    MailboxController* controller_ = nullptr;
    HeaderListModel* model_ = nullptr;
    std::string currentAccount;                     // the address and folder shown
    std::string folderBoxAccount_;                  // the address the folder box was filled for
    std::shared_ptr<InterruptSignal> folderFetch_;  // the server's folder list being fetched
    std::vector<AccountSettings> accounts_;         // copies, one per item of the account box
    ProgressMode progressMode_ = ProgressMode::Listing;
    bool openPendingWhenIdle_ = false;  // a pending account arrived while a request ran
    bool cancelledByUser_ = false;      // the running request was cancelled with actCancel

    ListActions actions_;
    QMenu* accountMenu_ = nullptr;  // the list menu's entry: one account each
    AccountBar* accountBar_ = nullptr;
    HeaderList* headers_ = nullptr;
    MessagePane* pane_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusPanel_[2] = {nullptr, nullptr};
};

// Brings the open list window to the front (and lets it open the pending account), or creates
// it: then the pending account is listed, or else the first account is selected.
void OpenListWindow(AppState& state);
// Whether the open list window has a request running.
bool ListWindowBusy();
// The list window holds the mailbox of `listed`, so that a check of `account` must wait: the
// same POP3 account (its server locks the mailbox; IMAP servers do not).
bool HoldsMailbox(const std::optional<AccountSettings>& listed, const AccountSettings& account);
// The open list window holds the account's mailbox.
bool ListWindowHolds(const AccountSettings& account);
