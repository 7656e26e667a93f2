#include "check/check_cycle.h"
#include "cli/account_report.h"
#include "cli/commands.h"
#include "net/tls_layer.h"
#include "settings/settings.h"

int CheckAllAccounts(std::ostream& out, OutputFormat format) {
    SessionOptions session;
    session.tlsAvailable = SetUpTls();
    SettingsValues settings;
    LoadSettings(settings);
    NoCheckNotifier notifier;
    bool allChecked = true;
    std::vector<AccountReport> enabled;
    for (AccountEntry& item : settings.accounts) {
        AccountReport report = DisabledReport(item);
        if (item.enabled) {
            report = CheckReport(item, session, settings.playWave, notifier);
            allChecked = allChecked && report.ok;
        }
        if (format == OutputFormat::Tab) out << TabLine(report) << '\n';
        if (format == OutputFormat::Json) out << JsonLine(report) << '\n';
        if (item.enabled) enabled.push_back(std::move(report));
        out.flush();
    }
    if (format == OutputFormat::Waybar) out << WaybarLine(enabled) << std::endl;
    return allChecked ? kExitOk : kExitFailed;
}
