#pragma once
// The notification-area icon: two pictures (0 no news, 1 new mail, with the number of new
// messages as a badge), a tag that says which is
// shown, a hint of which the notification area shows at most 63 characters (and only the part
// before a "|"), a left-click signal and the shared popup menu on the right click.

#include <QIcon>
#include <QObject>
#include <QString>
#include <optional>
#include <string>

class QMenu;
class QTimer;
class QSystemTrayIcon;

// Whether the desktop has a notification area (tests may pretend either way).
bool TrayAreaAvailable();
void SetTrayAreaAvailableForTests(std::optional<bool> available);

// The session-bus name of the StatusNotifier watcher that a panel's notification area owns.
inline constexpr const char* kStatusNotifierWatcher = "org.kde.StatusNotifierWatcher";

// The part of a hint that the notification area shows.
QString ShownTrayHint(const std::string& hint);

// The two pictures of the tray icon.
enum class TrayPicture { Normal, NewMail };

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);

    void SetIcons(const QIcon& normal, const QIcon& newMail);
    void SetPicture(TrayPicture picture);
    TrayPicture Picture() const { return picture_; }

    // Messages arrived since the last acknowledgement, drawn as a badge on the new-mail picture.
    void SetNewMailCount(int count);
    int NewMailCount() const { return newMailCount_; }

    void SetHint(const std::string& hint);
    const std::string& Hint() const { return hint_; }

    // Shows or removes the icon.
    void SetActive(bool active);
    bool Active() const { return active_; }

    void SetMenu(QMenu* menu);
    QSystemTrayIcon* Icon() const { return icon_; }

    // Without a notification area at the start (a session whose panel comes after the
    // program), watches for one: the StatusNotifier watcher's name on the session bus, and a
    // slow look now and then for the X11 tray. When one is there the icon moves into it and
    // AreaAppeared is emitted, once.
    void WatchForArea();

Q_SIGNALS:
    // A click with the left button.
    void Clicked();
    // A notification area appeared after the start.
    void AreaAppeared();

private:
    void ShowPicture();
    void LookForArea();

    QSystemTrayIcon* icon_;
    QIcon pictures_[2];
    TrayPicture picture_ = TrayPicture::Normal;
    int newMailCount_ = 0;
    bool active_ = false;
    std::string hint_;
    QTimer* areaLook_ = nullptr;  // while watching for a notification area
    int quickLooks_ = 0;          // looks left at the short interval
};
