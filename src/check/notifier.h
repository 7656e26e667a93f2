#pragma once
// What the check cycle tells the user interface. The application implements it with the tray
// icon, the alert window and the sound; without a user interface every call may do nothing.

#include <string>

#include "settings/accounts.h"

class CheckNotifier {
public:
    virtual ~CheckNotifier() = default;

    virtual void SetTrayHint(const std::string& hint) = 0;
    // Switches the tray icon to its new-mail picture; `arrived` more messages came in.
    virtual void ShowNewMailIcon(int arrived) = 0;
    // Empties the alert window's message list.
    virtual void ClearAlertMessages() = 0;
    // Adds the count-change message for this account (the tray hint at this moment, the
    // address and the signed change), shows the alert window and plays the new-mail sound.
    virtual void AlertCountChanged(const AccountSettings& account, int change) = 0;
};
