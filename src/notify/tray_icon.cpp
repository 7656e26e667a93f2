#include "notify/tray_icon.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>

#include "notify/tray_badge.h"
#include "widgets/ui_text.h"

namespace {

constexpr qsizetype kLongestHint = 63;
// How often the program looks for a notification area that is not there: slowly, and for a
// while quickly after the watcher's name came (its panel registers its host a moment later).
constexpr int kSlowLookMs = 10000;
constexpr int kQuickLookMs = 500;
constexpr int kQuickLooks = 20;

std::optional<bool>& AvailableOverride() {
    static std::optional<bool> available;
    return available;
}

}  // namespace

bool TrayAreaAvailable() {
    if (AvailableOverride()) return *AvailableOverride();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SetTrayAreaAvailableForTests(std::optional<bool> available) {
    AvailableOverride() = available;
}

QString ShownTrayHint(const std::string& hint) {
    QString shown = ToQt(hint);
    const qsizetype bar = shown.indexOf('|');
    if (bar >= 0) shown.truncate(bar);
    return shown.left(kLongestHint);
}

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), icon_(new QSystemTrayIcon(this)) {
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) Q_EMIT Clicked();
            });
}

void TrayIcon::SetIcons(const QIcon& normal, const QIcon& newMail) {
    pictures_[0] = normal;
    pictures_[1] = newMail;
    ShowPicture();
}

void TrayIcon::SetPicture(TrayPicture picture) {
    picture_ = picture;
    ShowPicture();
}

void TrayIcon::SetNewMailCount(int count) {
    const int shown = std::max(count, 0);
    if (shown == newMailCount_) return;
    newMailCount_ = shown;
    if (picture_ == TrayPicture::NewMail) ShowPicture();
}

void TrayIcon::ShowPicture() {
    icon_->setIcon(picture_ == TrayPicture::NewMail ? BadgedIcon(pictures_[1], newMailCount_)
                                                    : pictures_[0]);
}

void TrayIcon::SetHint(const std::string& hint) {
    hint_ = hint;
    icon_->setToolTip(ShownTrayHint(hint));
}

void TrayIcon::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    // Shown even when no notification area is there yet: one that appears later (a panel
    // started after the program) then takes the icon.
    icon_->setVisible(active);
}

void TrayIcon::WatchForArea() {
    if (areaLook_ != nullptr || TrayAreaAvailable()) return;
    areaLook_ = new QTimer(this);
    connect(areaLook_, &QTimer::timeout, this, &TrayIcon::LookForArea);
    areaLook_->start(kSlowLookMs);
    auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(kStatusNotifierWatcher),
                                            QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForRegistration, areaLook_);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        quickLooks_ = kQuickLooks;
        areaLook_->start(kQuickLookMs);
        LookForArea();
    });
}

void TrayIcon::LookForArea() {
    if (quickLooks_ > 0 && --quickLooks_ == 0) areaLook_->start(kSlowLookMs);
    if (!TrayAreaAvailable()) return;
    areaLook_->deleteLater();  // the bus watcher with it
    areaLook_ = nullptr;
    if (active_) {  // the icon registers anew with the area that is there now
        icon_->hide();
        icon_->show();
    }
    Q_EMIT AreaAppeared();
}

void TrayIcon::SetMenu(QMenu* menu) {
    icon_->setContextMenu(menu);
}
