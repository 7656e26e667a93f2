#pragma once
// The count on the program's launcher in docks and task managers
// (com.canonical.Unity.LauncherEntry on the program's bus object): the Update signal when the
// count changes, and Query for a dock that starts after the program.

#include <QDBusAbstractAdaptor>
#include <QVariantMap>

class LauncherEntry : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.Unity.LauncherEntry")
public:
    // `object` is the object exported on the bus, at `path`.
    LauncherEntry(QObject* object, QString path);

    // Shows `count` (none when 0) and sends Update.
    void Publish(int count);

public Q_SLOTS:
    QVariantMap Query() const;

private:
    QString path_;
    int count_ = 0;
};
