#include "cli/account_report.h"

#include <cstdio>

#include "check/check_cycle.h"
#include "check/server_folders.h"
#include "session/run_state.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, 0 when there is none.
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;  // the bounds of the second byte exclude overlongs and surrogates
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

std::string FoldersJson(const std::vector<FolderRunState>& folders) {
    std::string json = "[";
    for (const FolderRunState& folder : folders) {
        if (json.size() > 1) json += ',';
        json += "{\"name\":" + JsonString(folder.name) +
                ",\"count\":" + std::to_string(folder.count) +
                ",\"change\":" + std::to_string(folder.change) +
                ",\"unseen\":" + std::to_string(folder.unseen) + "}";
    }
    return json + "]";
}

std::string CountText(const AccountReport& report) {
    return report.count ? std::to_string(*report.count) : "-";
}

}  // namespace

AccountReport CheckReport(AccountEntry& item, const SessionOptions& session, bool alertDue,
                          CheckNotifier& notifier) {
    AccountReport report;
    report.email = item.params.email;
    try {
        report.watchesFolders = WatchesFolders(item.params);
        CheckResult result = CheckAccount(item.params, session, alertDue, notifier);
        report.change = result.change;
        report.folders = std::move(result.folders);
        if (report.change != 0) item.lastChange = report.change;
        report.ok = LastCheckSucceeded(item.params);
        const auto settings = OpenSettings();
        const std::string section = AccountSection(item.params);
        if (report.ok)
            report.count = settings->ReadInteger(section, "COUNT", 0);
        else
            report.error = settings->ReadString(section, "LAST_ERROR", "");
    } catch (const TarnwickError& error) {
        report.ok = false;
        report.change = 0;
        report.error = error.what();
    }
    report.checked = std::time(nullptr);
    report.lastChange = item.lastChange;
    return report;
}

AccountReport DisabledReport(const AccountEntry& item) {
    AccountReport report;
    report.email = item.params.email;
    report.enabled = false;
    report.error = "disabled";
    return report;
}

std::string TabLine(const AccountReport& report) {
    return FieldText(report.email) + '\t' + CountText(report) + '\t' +
           std::to_string(report.change) + '\t' + FieldText(report.ok ? "OK" : report.error);
}

std::string JsonLine(const AccountReport& report) {
    return "{\"email\":" + JsonString(report.email) +
           ",\"count\":" + (report.count ? std::to_string(*report.count) : "null") +
           ",\"change\":" + std::to_string(report.change) +
           ",\"ok\":" + (report.ok ? "true" : "false") +
           ",\"error\":" + JsonString(StoredErrorText(report.error)) +
           ",\"checked\":" + (report.checked != 0 ? JsonString(IsoTime(report.checked)) : "null") +
           (report.watchesFolders ? ",\"folders\":" + FoldersJson(report.folders) : "") + "}";
}

SummaryClass SummaryOf(const std::vector<AccountReport>& reports) {
    bool failed = false;
    for (const AccountReport& report : reports) {
        if (report.lastChange > 0) return SummaryClass::New;
        failed = failed || !report.ok;
    }
    return failed ? SummaryClass::Error : SummaryClass::None;
}

std::string WaybarLine(const std::vector<AccountReport>& reports) {
    long long total = 0;
    std::string tooltip;
    for (const AccountReport& report : reports) {
        if (!tooltip.empty()) tooltip += '\n';
        tooltip += report.email + ": ";
        if (report.count) {
            total += *report.count;
            tooltip += std::to_string(*report.count);
            if (report.lastChange > 0) tooltip += " (+" + std::to_string(report.lastChange) + ")";
        } else {
            tooltip += StoredErrorText(report.error);
        }
    }
    static constexpr const char* kClass[] = {"none", "new", "error"};
    return "{\"text\":\"" + std::to_string(total) + "\",\"tooltip\":" + JsonString(tooltip) +
           ",\"class\":\"" + kClass[static_cast<int>(SummaryOf(reports))] + "\"}";
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text.front());
        const std::size_t length = Utf8Length(text);
        if (length == 0) {
            json += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no UTF-8 character
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            json += escape;
        } else {
            json.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return json + '"';
}

std::string IsoTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string iso = text;  // ...+0100: the offset takes a colon in ISO 8601's extended form
    if (iso.size() >= 5) iso.insert(iso.size() - 2, ":");
    return iso;
}
