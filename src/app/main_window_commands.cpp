// The main window's commands, the link colours and the requests of the other windows.
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "app/command_link.h"
#include "app/main_window.h"
#include "app/tray_services.h"
#include "check/ui/results_window.h"
#include "list/ui/list_window.h"
#include "platform/mail_program.h"
#include "setup/setup_window.h"
#include "spam/ui/filter_window.h"
#include "state/app_state.h"
#include "widgets/help.h"
#include "widgets/window_registry.h"

namespace {
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kBlue(0x00, 0x00, 0xFF);
const QColor kGrey(128, 128, 128);
}  // namespace

void MainWindow::ConnectCommands() {
    connect(actContinue, &QAction::triggered, this, &MainWindow::Continue);
    connect(actShowMain, &QAction::triggered, this, &MainWindow::RestoreMainWindow);
    connect(actShowList, &QAction::triggered, this, &MainWindow::OpenList);
    connect(actShowResults, &QAction::triggered, this, &MainWindow::OpenResults);
    connect(actSetup, &QAction::triggered, this, &MainWindow::OpenSetup);
    connect(actSpam, &QAction::triggered, this, &MainWindow::OpenSpamFilter);
    connect(actHelp, &QAction::triggered, this, &MainWindow::ShowHelp);
    connect(actClose, &QAction::triggered, this, &MainWindow::CloseProgram);
    connect(actOpenMail, &QAction::triggered, this,
            [this] { OpenMailProgram(IsShownToUser() ? this : nullptr); });
    connect(links[0], &CommandLink::Clicked, this, &MainWindow::ContinueOrSetUp);
    const std::array<QAction*, 7> actionOf = LinkActions();
    for (std::size_t i = 1; i < links.size(); ++i)
        connect(links[i], &CommandLink::Clicked, actionOf[i], &QAction::trigger);
    connect(trayMenu_, &QMenu::aboutToShow, this, &MainWindow::PrepareTrayMenu);
}

void MainWindow::UpdateActions() {
    const bool haveAccounts = !state_.accounts.empty();
    const bool setupOpen = (OpenWindow(WindowKind::Setup) != nullptr);
    const bool filterOpen = (OpenWindow(WindowKind::Filter) != nullptr);
    const bool listOpen = (OpenWindow(WindowKind::List) != nullptr);
    const bool resultsOpen = (OpenWindow(WindowKind::Results) != nullptr);
    actContinue->setEnabled(haveAccounts);
    actShowMain->setEnabled(!setupOpen && !filterOpen && !listOpen && !resultsOpen);
    actShowList->setEnabled(haveAccounts && !setupOpen && !filterOpen);
    actShowResults->setEnabled(actShowList->isEnabled());
    actSetup->setEnabled(!setupOpen && !listOpen && !resultsOpen);
    actSpam->setEnabled(actSetup->isEnabled());

    links[0]->SetColor(actContinue->isEnabled() ? kRed : kGrey);
    links[1]->SetColor(actShowResults->isEnabled() ? kBlue : kGrey);
    links[2]->SetColor(actShowList->isEnabled() ? kBlue : kGrey);
    links[3]->SetColor(actSetup->isEnabled() ? kBlue : kGrey);
    links[6]->SetColor(actSpam->isEnabled() ? kBlue : kGrey);
}

// Each request is taken from the event loop, after the handler that made it.
void MainWindow::FollowRequests() {
    WindowRequests& requests = Requests();
    connect(
        &requests, &WindowRequests::resultsWanted, this, [this] { OpenResultsWindow(state_); },
        Qt::QueuedConnection);
    connect(
        &requests, &WindowRequests::windowClosed, this,
        [this] {
            if (showOnChildClose) ShowMainWindow();
            UpdateActions();
        },
        Qt::QueuedConnection);
    connect(
        &requests, &WindowRequests::mainWindowWanted, this,
        [this] {
            UpdateActions();
            actShowMain->trigger();
        },
        Qt::QueuedConnection);
    connect(
        &requests, &WindowRequests::listWanted, this, [this] { OpenListWindow(state_); },
        Qt::QueuedConnection);
    connect(&requests, &WindowRequests::settingsSaved, this, &MainWindow::OnActivated,
            Qt::QueuedConnection);
    connect(&requests, &WindowRequests::helpWanted, this, &OpenHelp, Qt::QueuedConnection);
}

void MainWindow::Continue() {
    SetRunVeto();
    HideMainWindow();
    state_.startedWithParameters = false;
    showOnChildClose = false;
    UpdateActions();
}

void MainWindow::RestoreMainWindow() {
    SetRunVeto();
    showOnChildClose = true;
    ShowMainWindow();
}

void MainWindow::OpenList() {
    SetRunVeto();
    state_.pendingAccount.clear();
    OpenListWindow(state_);
    services_.AcknowledgeNewMail();
    UpdateActions();
}

void MainWindow::OpenResults() {
    SetRunVeto();
    OpenResultsWindow(state_);
    services_.AcknowledgeNewMail();
    UpdateActions();
}

void MainWindow::OpenSetup() {
    SetRunVeto();
    ShowSetupWindow(state_);
    UpdateActions();
}

void MainWindow::OpenSpamFilter() {
    SetRunVeto();
    ShowFilterWindow(state_);
    UpdateActions();
}

void MainWindow::ShowHelp() {
    SetRunVeto();
    OpenHelp(kHelpTopic);
}

void MainWindow::CloseProgram() {
    SetRunVeto();
    closeRequested = true;
    close();
}

void MainWindow::ContinueOrSetUp() {
    if (actContinue->isEnabled()) {
        actContinue->trigger();
    } else {
        actSetup->trigger();
    }
}

void MainWindow::PrepareTrayMenu() {
    services_.AcknowledgeNewMail();
    UpdateActions();
}
