#include "app/account_check.h"

#include "app/tdm.h"
#include "check/check_cycle.h"
#include "platform/program_state.h"

TpopMainWindow::AccountChecker DefaultAccountChecker(Tdm& dm) {
    return [&dm](const T_pop3params& account) {
        const T_checkResult result =
            CheckAccount(account, ProgramSessionOptions(), playWave, dm.Notifier());
        if (result.becomesPending) PendingAccount = account.email;
        // Asked when the program is next idle (the main window's idle handler).
        if (auto request = TrustRequestFor(account, result.certificateFailure))
            PendingTrustQuestion = std::move(request);
        return result.change;
    };
}
