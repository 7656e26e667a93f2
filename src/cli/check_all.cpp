#include "check/check_cycle.h"
#include "cli/commands.h"
#include "net/tls_layer.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

void PrintLine(std::ostream& out, const std::string& email, const std::string& count, int change,
               const std::string& result) {
    out << FieldText(email) << '\t' << count << '\t' << change << '\t' << FieldText(result) << '\n';
}

// Checks one enabled account; false when the check failed. A check whose run state cannot be
// kept fails with that reason, and the next account is still checked.
bool CheckOne(AccountEntry& item, const SessionOptions& session, bool alertDue,
              CheckNotifier& notifier, std::ostream& out) {
    int change = 0;
    try {
        change = CheckAccount(item.params, session, alertDue, notifier).change;
    } catch (const TarnwickError& error) {
        PrintLine(out, item.params.email, "-", 0, error.what());
        return false;
    }
    if (change != 0) item.lastChange = change;
    const auto settings = OpenSettings();
    const std::string section = AccountSection(item.params);
    if (LastCheckSucceeded(item.params)) {
        PrintLine(out, item.params.email, settings->ReadString(section, "COUNT", "0"), change,
                  "OK");
        return true;
    }
    PrintLine(out, item.params.email, "-", change, settings->ReadString(section, "LAST_ERROR", ""));
    return false;
}

}  // namespace

int CheckAllAccounts(std::ostream& out) {
    SessionOptions session;
    session.tlsAvailable = SetUpTls();
    SettingsValues settings;
    LoadSettings(settings);
    NoCheckNotifier notifier;
    bool allChecked = true;
    for (AccountEntry& item : settings.accounts) {
        if (item.enabled)
            allChecked = CheckOne(item, session, settings.playWave, notifier, out) && allChecked;
        else
            PrintLine(out, item.params.email, "-", 0, "disabled");
        out.flush();
    }
    return allChecked ? kExitOk : kExitFailed;
}
