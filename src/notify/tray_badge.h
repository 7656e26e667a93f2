#pragma once
// The number of new messages drawn as a badge on the tray's new-mail picture, readable at the
// 16 to 24 pixels of a notification area.

#include <QIcon>
#include <QImage>
#include <QString>

// The badge's text: none for 0 (or less), the number up to 99, "99+" above.
QString BadgeText(int count);

// `picture` at `size` x `size` pixels with the badge of `count` in its lower right corner.
QImage BadgedImage(const QIcon& picture, int count, int size);

// `picture` with the badge at every size a notification area asks for.
QIcon BadgedIcon(const QIcon& picture, int count);
