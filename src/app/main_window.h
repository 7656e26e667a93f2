#pragma once
// The main window: a borderless panel with the program's picture and seven command links.
// After a pause, or when the user continues, it hides itself and the program lives in the
// notification area. The checks are the mail engine's: the window pauses them while it is shown,
// keeps them off the accounts that an open window holds, and shows what the engine reports.

#include <QWidget>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "settings/accounts.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;
class AdvertPanel;
class AppState;
class CommandLink;
class MailMonitor;
class TrayServices;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 442;
    static constexpr int kHeight = 351;
    static constexpr int kQuickContinueMs = 1000;
    static constexpr int kContinueMs = 48000;
    static constexpr int kHelpTopic = 800;

    MainWindow(TrayServices& services, AppState& state, MailMonitor& monitor);
    ~MainWindow() override;

    AppState& State() const { return state_; }
    MailMonitor& Monitor() const { return monitor_; }

    // Shown on the screen (not hidden, not minimised).
    bool IsShownToUser() const;

    void UpdateActions();
    // Whether the engine may check the account now: not while the setup or filter window is
    // open, nor a POP3 account whose mailbox the list window holds.
    bool MayCheck(const AccountSettings& account) const;
    void ArmAutoContinue();
    void OnIdle();
    // Asks the state's pending trust question now unless another question is open; true when it
    // asked.
    bool AskTrustQuestion();
    void ShowUnhandledError(const std::string& message);

    QAction* actShowMain = nullptr;
    QAction* actContinue = nullptr;
    QAction* actShowList = nullptr;
    QAction* actShowResults = nullptr;
    QAction* actSetup = nullptr;
    QAction* actSpam = nullptr;
    QAction* actHelp = nullptr;
    QAction* actClose = nullptr;
    QAction* actOpenMail = nullptr;  // "Open mail program"

    QTimer* continueTimer_ = nullptr;
    QMenu* trayMenu_ = nullptr;

    bool activatedOnce = false;
    bool showOnChildClose = true;

Q_SIGNALS:
    // The window was closed and the program is to end.
    void closing();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Building (main_window.cpp).
    void BuildPicture();
    void BuildCommandRows();
    void BuildActions();
    void BuildPopupMenu();
    void BuildTimers();
    void TranslateCaptions();
    QAction* AddAction(const char* name, const char* key, int image);
    // The action of each command link and the button beside it, in the order of their object names
    // ("l1"/"b1" to "l7"/"b7").
    std::array<QAction*, 7> LinkActions() const {
        return {actContinue, actShowResults, actShowList, actSetup, actClose, actHelp, actSpam};
    }

    // Handlers.
    void OnShown();
    void OnActivated();
    void FollowRequests();
    void HideMainWindow();
    // A notification area that appears after the start takes the icon, and the window leaves
    // the taskbar (a minimised window is hidden into the tray).
    void FollowTrayArea();
    void MoveIntoTrayArea();
    void ShowMainWindow();
    void FollowMonitor();
    void onContinueTimer();
    void SetRunVeto() { continueVeto_ = true; }

    // Commands (main_window_commands.cpp).
    void ConnectCommands();
    void Continue();
    void RestoreMainWindow();
    void OpenList();
    void OpenResults();
    void OpenSetup();
    void OpenSpamFilter();
    void ShowHelp();
    void CloseProgram();
    void ContinueOrSetUp();
    void PrepareTrayMenu();

    TrayServices& services_;
    AppState& state_;
    MailMonitor& monitor_;
    QLabel* picture_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* subtitle_ = nullptr;
    AdvertPanel* advert_ = nullptr;
    std::array<CommandLink*, 7> links{};    // the command links, top to bottom in LinkActions order
    std::array<QToolButton*, 7> buttons{};  // the buttons beside them
    bool closeRequested = false;            // Close asked for, not the window manager
    bool continueVeto_ = false;             // a command ran: the auto-continue is off
};
