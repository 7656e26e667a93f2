#include "app/launcher_entry.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include "app/dbus_service.h"

LauncherEntry::LauncherEntry(QObject* object, QString path)
    : QDBusAbstractAdaptor(object), path_(std::move(path)) {}

QVariantMap LauncherEntry::Query() const {
    return {{QStringLiteral("count"), qint64{count_}},
            {QStringLiteral("count-visible"), count_ > 0}};
}

void LauncherEntry::Publish(int count) {
    count_ = count;
    QDBusMessage update = QDBusMessage::createSignal(
        path_, QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QString::fromLatin1(kLauncherUri) << Query();
    QDBusConnection::sessionBus().send(update);
}
