#pragma once
// What the results window shows for one account, decided from the account entry and its run
// state in the settings file; the window only paints it.

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/accounts.h"
#include "settings/ini_file.h"

enum class AccountState {
    NewMail,  // the last check found more messages
    Changed,  // the last check found fewer messages
    Disabled,
    Ok,
    Failed,  // the last check failed
};

struct AccountStatus {
    AccountState state = AccountState::Ok;
    bool enabled = true;  // ENABLED of the section (an absent key counts as enabled)
    std::string email;    // EMAIL of the section, else the entry's address
    // COUNT; for an IMAP account the unread messages of its last check as UnreadText gives
    // them, after " - "; and "   ( change )" after a change
    std::string count;
    std::string lastCheck;  // LAST_CHECK
    std::string status;     // the status line: state text and, where it has one, its detail
};

// "POP3" or "IMAP".
std::string_view ProtocolName(MailProtocol protocol);

// "3 unread": the count with its counted text "unseen_count".
std::string UnreadText(std::uint32_t unseen);

// The status of the account from `ini` (the settings file).
AccountStatus StatusOf(const AccountEntry& item, const IniFile& ini);
