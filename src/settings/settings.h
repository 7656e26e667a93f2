#pragma once
// The settings file "vellmoor.ini" (in the folder SettingsFilePath picks) and the account list
// built from it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/accounts.h"
#include "settings/ini_file.h"

// A fresh settings-file object for one operation.
std::unique_ptr<IniFile> OpenSettings();

// "EML_" + upper-cased host "_" user name, every character but 0-9 and A-Z made "_".
std::string AccountSection(const AccountSettings& params);

// The general switches (section GENERAL) and the account list, in the order of the account
// sections of the settings file.
struct SettingsValues {
    std::vector<AccountEntry> accounts;
    bool autorun = false;
    bool playWave = false;
    bool showAdvert = true;
    bool desktopNotification = false;  // NOTIFICATION=desktop; else the alert window
};

// Reads the general switches and the account list into `values`: every section named "EML_..."
// that holds an e-mail address. Throws TarnwickError
// ("Unable to read <path>: <reason>") for a file that exists and cannot be read.
bool LoadSettings(SettingsValues& values);
// Writes the general switches and the account list; erases stale account sections.
bool SaveSettings(const SettingsValues& values);
// A text of section GENERAL as stored (MAIL_PROGRAM, NEW_MAIL_COMMAND), "" when absent.
std::string ReadGeneralText(std::string_view key);
// The server names of section SERVERLIST, in key order.
void ReadServerList(std::vector<std::string>& servers);

// Sizes of a window and of the parts of it whose size is kept in GENERAL. Names are the
// component names ("popListWindow", "headers", ...); the keys use them upper-cased.
struct ListViewLayout {
    std::string name;
    int height = 0;  // stored only for the first list view
    std::vector<int> columnWidths;
};
struct ControlLayout {
    std::string name;
    int width = 0;
};
struct WindowLayout {
    std::string window;
    int width = 0;
    int height = 0;  // not kept for "popResultsWindow"
    std::optional<ListViewLayout> view;
    std::optional<ControlLayout> control;
    std::optional<ListViewLayout> headerView;  // columns only
};

// Stores every size of `layout`.
void SaveWindowLayout(const WindowLayout& layout);
// Replaces every size of `layout` by its stored value; the current sizes are the defaults.
void LoadWindowLayout(WindowLayout& layout);
