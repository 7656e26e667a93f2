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
class DesktopEvents;
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

    // Tray picture 0 and tag 0 without the new-mail count, alert window hidden.
    void AcknowledgeNewMail();

    // Small pictures of buttons and menus, by their number.
    static QIcon ButtonIcon(int index);

private:
    void OnTrayClicked();
    void OnAlertClicked();
    void OnAlertClosed();

    TrayIcon* tray;
    std::unique_ptr<AlertWindow> alert;
    std::unique_ptr<CheckNotifier> notifier;
    DesktopEvents* desktop;
};
