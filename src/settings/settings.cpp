#include "settings/settings.h"

#include <algorithm>

#include "settings/cipher.h"
#include "settings/file_places.h"
#include "settings/password_store.h"
#include "settings/text_utils.h"

namespace {

constexpr std::string_view kGeneral = "GENERAL";
constexpr std::string_view kServerList = "SERVERLIST";
constexpr std::string_view kAccountPrefix = "EML_";
constexpr int kDefaultPort = 110;

bool IsAccountSection(std::string_view name) {
    return name.starts_with(kAccountPrefix);
}

char SectionChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ? c : '_';
}

AuthMethod StoredAuthMethod(std::string_view text) {
    if (SameTextAscii(text, "oauth2")) return AuthMethod::OAuth2;
    if (SameTextAscii(text, "goa")) return AuthMethod::OnlineAccounts;
    return AuthMethod::Password;
}

const char* AuthMethodName(AuthMethod method) {
    switch (method) {
        case AuthMethod::OAuth2:
            return "oauth2";
        case AuthMethod::OnlineAccounts:
            return "goa";
        case AuthMethod::Password:
            break;
    }
    return "password";
}

AccountEntry ReadAccount(const IniFile& ini, std::string_view section) {
    AccountEntry item;
    item.enabled = ini.ReadBool(section, "ENABLED", false);
    item.params.email = ini.ReadString(section, "EMAIL", "");
    item.params.host = ini.ReadString(section, "HOST", "");
    item.params.username = ini.ReadString(section, "USERNAME", "");
    item.params.auth = StoredAuthMethod(Trim(ini.ReadString(section, "AUTH", "")));
    item.params.onlineAccount = Trim(ini.ReadString(section, "GOA_ACCOUNT", ""));
    item.params.oauthProvider = Trim(ini.ReadString(section, "OAUTH_PROVIDER", ""));
    item.params.passwordStore = StoredPasswordStore(ini, section);
    if (item.params.passwordStore == PasswordStore::File)
        item.params.password = DecipherText(ini.ReadString(section, item.params.SecretKey(), ""));
    item.params.port = ini.ReadInteger(section, "PORT", kDefaultPort);
    item.params.secureLogin = ini.ReadBool(section, "SECURE_LOGIN", false);
    item.params.ssl = ini.ReadBool(section, "SSL", false);
    item.params.startTls = !item.params.ssl && ini.ReadBool(section, "STARTTLS", false);
    item.params.protocol = SameTextAscii(Trim(ini.ReadString(section, "PROTOCOL", "")), "IMAP")
                               ? MailProtocol::Imap
                               : MailProtocol::Pop3;
    item.params.folder = ini.ReadString(section, "FOLDER", "");
    item.params.folders = Trim(ini.ReadString(section, "FOLDERS", ""));
    item.params.authservId = Trim(ini.ReadString(section, "AUTHSERV_ID", ""));
    // Online Accounts offers IMAP only.
    if (item.params.FromOnlineAccounts()) item.params.protocol = MailProtocol::Imap;
    return item;
}

// The server, the user and the secret of an account, and how it connects.
void WriteServer(IniFile& ini, std::string_view section, const AccountEntry& item) {
    ini.WriteString(section, "HOST", item.params.host);
    ini.WriteString(section, "USERNAME", item.params.username);
    WritePassword(ini, section, item.params);
    ini.WriteInteger(section, "PORT", item.params.port);
    ini.WriteBool(section, "SECURE_LOGIN", item.params.secureLogin);
    ini.WriteBool(section, "SSL", item.params.ssl);
    // Written only when it is used or was used, so that the files of accounts that never
    // used it stay as they were.
    const bool startTls = item.params.startTls && !item.params.ssl;
    if (startTls || ini.ReadString(section, "STARTTLS", "").size() > 0)
        ini.WriteBool(section, "STARTTLS", startTls);
}

void WriteAccount(IniFile& ini, std::string_view section, const AccountEntry& item) {
    ini.WriteBool(section, "ENABLED", item.enabled);
    ini.WriteString(section, "EMAIL", item.params.email);
    // Online Accounts keeps such an account's server and sign-in: its section has none of them.
    if (!item.params.FromOnlineAccounts()) WriteServer(ini, section, item);
    // The same for the protocol and the folder: absent means POP3 and INBOX.
    const bool imap = item.params.protocol == MailProtocol::Imap;
    if (imap || !ini.ReadString(section, "PROTOCOL", "").empty())
        ini.WriteString(section, "PROTOCOL", imap ? "IMAP" : "POP3");
    if (!item.params.folder.empty() || !ini.ReadString(section, "FOLDER", "").empty())
        ini.WriteString(section, "FOLDER", item.params.folder);
    if (!item.params.folders.empty() || !ini.ReadString(section, "FOLDERS", "").empty())
        ini.WriteString(section, "FOLDERS", item.params.folders);
    // The sign-in keys, likewise: absent means the password.
    const bool password = item.params.auth == AuthMethod::Password;
    if (!password || !ini.ReadString(section, "AUTH", "").empty())
        ini.WriteString(section, "AUTH", AuthMethodName(item.params.auth));
    if (!item.params.onlineAccount.empty() || !ini.ReadString(section, "GOA_ACCOUNT", "").empty())
        ini.WriteString(section, "GOA_ACCOUNT", item.params.onlineAccount);
    if (!item.params.oauthProvider.empty() ||
        !ini.ReadString(section, "OAUTH_PROVIDER", "").empty())
        ini.WriteString(section, "OAUTH_PROVIDER", item.params.oauthProvider);
    if (!item.params.authservId.empty() || !ini.ReadString(section, "AUTHSERV_ID", "").empty())
        ini.WriteString(section, "AUTHSERV_ID", item.params.authservId);
}

void RemoveName(std::vector<std::string>& names, std::string_view name) {
    std::erase_if(names, [name](const std::string& n) { return SameTextAscii(n, name); });
}

std::string LayoutKey(std::string_view name, std::string_view suffix) {
    return UpperAscii(name) + std::string(suffix);
}

bool KeepsHeight(const WindowLayout& layout) {
    return !SameTextAscii(layout.window, "popResultsWindow");
}

void SaveColumns(IniFile& ini, const ListViewLayout& view) {
    for (std::size_t i = 0; i < view.columnWidths.size(); ++i) {
        ini.WriteInteger(kGeneral, LayoutKey(view.name, "_C_" + std::to_string(i)),
                         view.columnWidths[i]);
    }
}

void LoadColumns(const IniFile& ini, ListViewLayout& view) {
    for (std::size_t i = 0; i < view.columnWidths.size(); ++i) {
        int& width = view.columnWidths[i];
        width = ini.ReadInteger(kGeneral, LayoutKey(view.name, "_C_" + std::to_string(i)), width);
    }
}

}  // namespace

std::unique_ptr<IniFile> OpenSettings() {
    // It holds the passwords: readable by its owner only.
    return std::make_unique<IniFile>(SettingsFilePath(), FileAccess::OwnerOnly);
}

std::string AccountSection(const AccountSettings& params) {
    // An Online Accounts account has no server or user of its own in the file: its id names it.
    const std::string name = params.FromOnlineAccounts() ? "GOA_" + params.onlineAccount
                                                         : params.host + "_" + params.username;
    std::string section = std::string(kAccountPrefix) + UpperAscii(name);
    std::transform(section.begin(), section.end(), section.begin(), SectionChar);
    return section;
}

bool LoadSettings(SettingsValues& values) {
    values.accounts.clear();
    const auto ini = OpenSettings();
    ini->CheckReadable();
    values.autorun = ini->ReadBool(kGeneral, "AUTORUN", false);
    values.playWave = ini->ReadBool(kGeneral, "PLAYWAVE", false);
    values.showAdvert = ini->ReadBool(kGeneral, "SHOW_ADVERT", true);
    values.desktopNotification = ini->ReadString(kGeneral, "NOTIFICATION", "") == "desktop";
    for (const std::string& section : ini->ReadSections()) {
        if (!IsAccountSection(section)) continue;
        AccountEntry item = ReadAccount(*ini, section);
        // A section without an address holds run state only (kept under the computed name of
        // a hand-named section): no account.
        if (HasText(item.params.email)) values.accounts.push_back(std::move(item));
    }
    return true;
}

bool SaveSettings(const SettingsValues& values) {
    const auto ini = OpenSettings();
    // The whole list is saved with one replace of the file: nothing can read or write the file
    // in between, and an interrupted save leaves the old file whole.
    ini->BeginBatch();
    ini->WriteBool(kGeneral, "AUTORUN", values.autorun);
    ini->WriteBool(kGeneral, "PLAYWAVE", values.playWave);
    ini->WriteBool(kGeneral, "SHOW_ADVERT", values.showAdvert);
    // Absent means the alert window: a file that never chose stays as it is.
    if (values.desktopNotification || !ini->ReadString(kGeneral, "NOTIFICATION", "").empty())
        ini->WriteString(kGeneral, "NOTIFICATION",
                         values.desktopNotification ? "desktop" : "alert");
    std::vector<std::string> leftovers = ini->ReadSections();
    for (const AccountEntry& item : values.accounts) {
        const std::string section = AccountSection(item.params);
        WriteAccount(*ini, section, item);
        RemoveName(leftovers, section);
    }
    for (const std::string& section : leftovers) {
        if (IsAccountSection(section)) ini->EraseSection(section);
    }
    ini->CommitBatch();
    return true;
}

std::string ReadGeneralText(std::string_view key) {
    return OpenSettings()->ReadString(kGeneral, key, "");
}

void ReadServerList(std::vector<std::string>& servers) {
    servers.clear();
    const auto ini = OpenSettings();
    for (const std::string& key : ini->ReadSection(kServerList)) {
        servers.push_back(ini->ReadString(kServerList, key, "-"));
    }
}

void SaveWindowLayout(const WindowLayout& layout) {
    const auto ini = OpenSettings();
    ini->BeginBatch();
    ini->WriteInteger(kGeneral, LayoutKey(layout.window, "_WIDTH"), layout.width);
    if (KeepsHeight(layout)) {
        ini->WriteInteger(kGeneral, LayoutKey(layout.window, "_HEIGHT"), layout.height);
    }
    if (layout.view) {
        ini->WriteInteger(kGeneral, LayoutKey(layout.view->name, "_HEIGHT"), layout.view->height);
        SaveColumns(*ini, *layout.view);
    }
    if (layout.headerView) SaveColumns(*ini, *layout.headerView);
    if (layout.control) {
        ini->WriteInteger(kGeneral, LayoutKey(layout.control->name, "_WIDTH"),
                          layout.control->width);
    }
    ini->CommitBatch();
}

void LoadWindowLayout(WindowLayout& layout) {
    const auto ini = OpenSettings();
    layout.width = ini->ReadInteger(kGeneral, LayoutKey(layout.window, "_WIDTH"), layout.width);
    if (KeepsHeight(layout)) {
        layout.height =
            ini->ReadInteger(kGeneral, LayoutKey(layout.window, "_HEIGHT"), layout.height);
    }
    if (layout.view) {
        ListViewLayout& view = *layout.view;
        view.height = ini->ReadInteger(kGeneral, LayoutKey(view.name, "_HEIGHT"), view.height);
        LoadColumns(*ini, view);
    }
    if (layout.headerView) LoadColumns(*ini, *layout.headerView);
    if (layout.control) {
        ControlLayout& control = *layout.control;
        control.width =
            ini->ReadInteger(kGeneral, LayoutKey(control.name, "_WIDTH"), control.width);
    }
}
