#include "platform/desktop_notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QVariantMap>

#include "settings/language.h"
#include "widgets/ui_text.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kOpenMailAction = QStringLiteral("open-mail-program");
const QString kMarkReadAction = QStringLiteral("mark-read");

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* watcher =
        new QDBusServiceWatcher(kService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this] { AskCapabilities(); });
    bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    AskCapabilities();
}

void DesktopNotifier::AskCapabilities() {
    actions_ = false;
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(Call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QStringList> reply = *call;
                const QStringList capabilities = reply.isValid() ? reply.value() : QStringList();
                actions_ = capabilities.contains(QStringLiteral("actions"));
                markup_ = capabilities.contains(QStringLiteral("body-markup"));
                call->deleteLater();
            });
}

QString DesktopNotifier::BodyText(const QStringList& lines, bool markup) {
    QString body = lines.join(QLatin1Char('\n'));
    return markup ? body.toHtmlEscaped() : body;
}

void DesktopNotifier::Show(const QString& summary, const QStringList& lines, bool markRead) {
    QDBusMessage notify = Call(QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("category"), QStringLiteral("email.arrived")},
        {QStringLiteral("desktop-entry"), QStringLiteral("org.tarnwick.Tarnwick")}};
    QStringList actions{QStringLiteral("default"), summary, kOpenMailAction,
                        ToQt(GetLangText("open_mail_program_mm"))};
    if (markRead) actions << kMarkReadAction << ToQt(GetLangText("mark_as_read"));
    notify << QStringLiteral("Tarnwick") << shown_ << QStringLiteral("tarnwick") << summary
           << BodyText(lines, markup_) << actions << hints << -1;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isValid())
                    shown_ = reply.value();
                else
                    AskCapabilities();  // the server went away: the alert window next time
                call->deleteLater();
            });
}

void DesktopNotifier::Close() {
    if (shown_ == 0) return;
    QDBusMessage close = Call(QStringLiteral("CloseNotification"));
    close << shown_;
    QDBusConnection::sessionBus().asyncCall(close);
    shown_ = 0;
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& key) {
    if (id == 0 || id != shown_) return;
    if (key == QStringLiteral("default")) Q_EMIT DefaultInvoked();
    if (key == kOpenMailAction) Q_EMIT OpenMailInvoked();
    if (key == kMarkReadAction) Q_EMIT MarkReadInvoked();
}
