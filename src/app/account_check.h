#pragma once
// The main window's account check: the check cycle with the data module's notifier. A server
// certificate that failed verification and was not asked about becomes PendingTrustQuestion.

#include "app/main_window.h"

class TrayServices;

MainWindow::AccountChecker DefaultAccountChecker(TrayServices& dm);
