#pragma once
// The check cycle's notifier on the desktop: tray hint and picture, alert window, sound.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "check/notifier.h"

class AlertWindow;
class TrayIcon;

// The alert's text of a count change: the tray hint of the moment, the address in bold and
// the signed change ("-3", "2") in parentheses; then a line for each of `folderLines` ("Work: 2
// new", for an account that watches several folders).
QString CountChangeMessage(const std::string& trayHint, const std::string& email, int change,
                           const std::vector<std::string>& folderLines = {});

// Image of the alert message of a count change.
inline constexpr int kNewMailImage = 1;

class UiCheckNotifier : public CheckNotifier {
public:
    UiCheckNotifier(TrayIcon& tray, AlertWindow& alert);

    void SetTrayHint(const std::string& hint) override;
    void ShowNewMailIcon(int arrived) override;
    void ClearAlertMessages() override;
    void AlertCountChanged(const AccountSettings& account, int change) override;

    // When it answers true, new mail goes to the desktop notification and not to the alert
    // window (the sound still plays).
    void SetAlertReplaced(std::function<bool()> replaced) { replaced_ = std::move(replaced); }

private:
    std::function<bool()> replaced_;
    TrayIcon& tray_;
    AlertWindow& alert_;
};
