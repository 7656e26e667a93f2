#pragma once
// What the desktop hears after the check of an account: the user's command on new mail and
// the MailChanged signal that the D-Bus interface, the desktop notification and the launcher
// count follow. The account check hands every result here, in one place.

#include <QObject>
#include <QString>
#include <string>

#include "settings/accounts.h"

struct CheckOutcome;

class DesktopEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // After the check of `account` that changed its count by `change` (0: no change); reads
    // the stored count.
    void AccountChecked(const AccountSettings& account, int change);
    // The scheduler's end of a check: AccountChecked unless it was cancelled.
    void CheckFinished(const CheckOutcome& outcome);

Q_SIGNALS:
    // The count of the account changed; `count` the messages now on the server.
    void MailChanged(const QString& email, int count, int change);
};
