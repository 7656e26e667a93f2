#include "app/account_check.h"

#include "app/desktop_events.h"
#include "app/tray_services.h"
#include "check/check_cycle.h"
#include "platform/program_state.h"

MainWindow::AccountChecker DefaultAccountChecker(TrayServices& dm) {
    return [&dm](const AccountSettings& account) {
        const CheckResult result =
            CheckAccount(account, ProgramSessionOptions(), playWave, dm.Notifier());
        if (result.becomesPending) PendingAccount = account.email;
        dm.Desktop().AccountChecked(account, result.change);
        // Asked when the program is next idle (the main window's idle handler).
        if (auto request = TrustRequestFor(account, result.certificateFailure))
            PendingTrustQuestion = std::move(request);
        return result.change;
    };
}
