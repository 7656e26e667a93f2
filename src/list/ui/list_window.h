#pragma once
// The list window: the mailbox of one account on the server. It lists the header of every
// message with its spam mark, sorts the list, shows a header or a whole message as text, saves
// a message, deletes messages or all spam on the server and makes spam rules from a message.
// The session that listed the headers stays open (kept alive) while the account is shown; it
// runs on a worker thread of its controller, and the window only shows what it reports.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "list/list_window_rules.h"
#include "list/ui/mailbox_controller.h"
#include "settings/accounts.h"

class HeaderListModel;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class QTreeWidget;
struct MessageRow;
class MailMessage;
struct HeaderRow;

class MailboxWindow : public QWidget {
    Q_OBJECT
public:
    // `factory` opens the window's sessions; none: the program's (OpenSession).
    explicit MailboxWindow(SessionFactory factory = {});
    ~MailboxWindow() override;

    // Selects the account of PendingAccount (clearing it) and fetches its headers.
    void OpenPendingAccount();
    // The account box's selection changed (no headers are fetched).
    void onAccountChosen();
    void actHeadersExecute();
    void UpdateCommands();

    MailboxController& Controller() const { return *controller_; }
    PaneState PaneStateNow() const { return paneState_; }
    // The account at `index` of the account box, or null.
    const AccountSettings* AccountAt(int index) const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Building (list_window_build.cpp).
    void BuildWindow();
    QWidget* BuildTopPanel();
    QWidget* BuildBottomPanel();
    void BuildActions();
    void BuildMenus();
    void BuildStatusBar();
    QAction* MakeAction(const char* name, const char* captionKey, int image);
    QToolButton* MakeHelpButton(const char* name);
    QToolButton* MakeMenuButton(const char* name);
    void FillAccountBox();
    void LoadLayout();
    void SaveLayout();

    // State and commands (list_window.cpp).
    void FormCreate();
    void FormClose();
    void ConnectController();
    void ShowProgress(int mode, const char* key);
    void HideProgress();
    void ShowRequestProgress(int value, int maximum);
    // The end of a request, however it ended.
    void onRequestFinished(MailboxController::Request request, bool cancelled);
    void SetStatus(int panel, const std::string& text);
    void RunGuarded(const std::function<void()>& command);
    int SelectedAccount() const;
    int SelectedRowIndex() const;
    MessageRow* SelectedRow() const;
    void ClearViews();
    void ClearPane();

    // Listing, sorting and the header view (list_window_listing.cpp).
    void onListingFailed(const QString& title, const QString& message);
    void menuheaderClick(const QString& email);
    void headersColumnClick(int column);
    void headersSelectItem();
    void AddHeaderViewRow(const HeaderRow& row);
    void SetPane(const std::vector<std::string>& lines);

    // Message view (list_window_message.cpp).
    void actRetrieveExecute();
    void onMessageFetched(int number);
    void ShowMessageContent(const MailMessage& entry);
    void actSaveMessageExecute();

    // Delete, spam, marks, keys and help (list_window_actions.cpp).
    void actDeleteExecute();
    void actDeleteSpamExecute();
    void actToggleSpamExecute();
    void actToggleAllSpamExecute();
    void actToggleNoSpamExecute();
    void actSpamSubjectExecute();
    void actSpamSenderExecute();
    void actCancelExecute();
    void MarkFromRule(RuleKind kind, const std::string& text);
    void onRowsDeleted();
    void bhelpClick(int tag);
    bool HandleKey(QWidget* control, int key);
    void OpenListMenu();

    // Window state.
    MailboxController* controller_ = nullptr;
    std::string currentAccount;
    std::vector<AccountSettings> accounts_;  // copies, one per item of the account box
    PaneState paneState_ = PaneState::Untouched;
    int progressMode_ = 0;
    std::vector<std::string> paneLines_;  // what the text pane shows, line by line
    bool openPendingWhenIdle_ = false;    // a pending account arrived while a request ran
    bool cancelledByUser_ = false;        // the running request was cancelled with actCancel

    // Controls (named as the components they stand for).
    QLabel* Label1 = nullptr;
    QComboBox* list = nullptr;
    QToolButton* bhelp = nullptr;
    QLabel* help_label = nullptr;
    QLabel* progress_label = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QToolButton* bcancel = nullptr;
    QLabel* label_list_help_text = nullptr;
    QTreeView* headers = nullptr;
    HeaderListModel* model_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QWidget* bottomPanel_ = nullptr;
    QLabel* Panel3 = nullptr;
    QToolButton* bhelp2 = nullptr;
    QTreeWidget* header_list = nullptr;
    QSplitter* bottomSplitter_ = nullptr;
    QPlainTextEdit* messageText_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusPanel_[2] = {nullptr, nullptr};

    QAction* actHeaders = nullptr;
    QAction* actDelete = nullptr;
    QAction* actRetrieve = nullptr;
    QAction* actCancel = nullptr;
    QAction* actToggleSpam = nullptr;
    QAction* actDeleteSpam = nullptr;
    QAction* actToggleAllSpam = nullptr;
    QAction* actToggleNoSpam = nullptr;
    QAction* actSpamSubject = nullptr;
    QAction* actSpamSender = nullptr;
    QAction* actSaveMessage = nullptr;
    QAction* closeAction_ = nullptr;

    QMenu* popupm = nullptr;
    QMenu* retrieve_headers_mm = nullptr;
    QMenu* popupm2 = nullptr;
    QMenu* popuph = nullptr;
    QMenu* popupmemo = nullptr;
    QAction* memoHelpEntry_ = nullptr;
};

// Brings the open list window to the front (and lets it open the pending account), or creates
// it: then the pending account is listed, or else the first account is selected.
void OpenListWindow();
// Whether the open list window has a request running.
bool ListWindowBusy();
