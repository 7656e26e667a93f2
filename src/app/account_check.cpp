#include "app/account_check.h"

#include "app/tdm.h"
#include "check/check_cycle.h"

TpopMainWindow::AccountChecker DefaultAccountChecker(Tdm& dm) {
    return [&dm](const T_pop3params& account) { return CheckAccount(account, dm.Notifier()); };
}
