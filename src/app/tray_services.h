#pragma once
// The data module: lives for the whole run and owns the tray icon, the alert window and the
// check notifier. Its creation resets the program state, reads the spam
// filter and tries the TLS library; its destruction writes the language file back enciphered
// and removes the tray icon.

#include <QIcon>
#include <QObject>
#include <memory>

class AlertWindow;
class CheckNotifier;
struct AccountSettings;
class DesktopEvents;
class MailMonitor;
class TrayIcon;

class TrayServices : public QObject {
    Q_OBJECT
public:
    TrayServices();
    ~TrayServices() override;

    TrayIcon& Tray() const { return *tray; }
    AlertWindow& Alert() const { return *alert; }
    CheckNotifier& Notifier() const { return *notifier; }
    DesktopEvents& Desktop() const { return *desktop; }

    // The tray, the alert, the desktop notification and the tray's count follow the engine.
    void Follow(MailMonitor& monitor);

    // The user has seen the new mail: the engine's tally starts again, the tray shows its
    // normal picture without a count and the alert window hides.
    void AcknowledgeNewMail();

    // Small pictures of buttons and menus, by their number.
    static QIcon ButtonIcon(int index);

private:
    void OnTrayClicked();
    void OnAlertClicked();
    void OnAlertClosed();
    void HintFailure(const AccountSettings& account);

    TrayIcon* tray;
    std::unique_ptr<AlertWindow> alert;
    std::unique_ptr<CheckNotifier> notifier;
    DesktopEvents* desktop;
    MailMonitor* monitor_ = nullptr;
};
