#include "app/account_check.h"

#include "app/tdm.h"
#include "check/check_cycle.h"
#include "platform/program_state.h"

TpopMainWindow::AccountChecker DefaultAccountChecker(Tdm& dm) {
    return [&dm](const T_pop3params& account) {
        const T_checkResult result =
            CheckAccount(account, ProgramSessionOptions(), playWave, dm.Notifier());
        if (result.becomesPending) PendingAccount = account.email;
        return result.change;
    };
}
