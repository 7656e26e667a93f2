#include "notify/tray_badge.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace {

constexpr int kMostShown = 99;
constexpr std::array<int, 7> kSizes = {16, 20, 22, 24, 32, 48, 64};
const QColor kBadgeColour(0xD0, 0x10, 0x1B);

QImage PictureAt(const QIcon& picture, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    picture.paint(&painter, QRect(0, 0, size, size));
    return image;
}

// The badge's font fills about six tenths of the picture's height, smaller where the text
// would not fit across the picture ("99+" at 16 pixels), but never below 6 pixels.
QFont BadgeFont(int size, const QString& text) {
    QFont font(QStringLiteral("Sans"));
    font.setBold(true);
    int pixels = std::max(8, size * 6 / 10 - 1);
    font.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font).horizontalAdvance(text) + 2 > size)
        font.setPixelSize(--pixels);
    return font;
}

}  // namespace

QString BadgeText(int count) {
    if (count <= 0) return {};
    return count > kMostShown ? QStringLiteral("99+") : QString::number(count);
}

QImage BadgedImage(const QIcon& picture, int count, int size) {
    QImage image = PictureAt(picture, size);
    const QString text = BadgeText(count);
    if (text.isEmpty()) return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont font = BadgeFont(size, text);
    const QFontMetrics metrics(font);
    const int height = std::min(size, metrics.height() + 1);
    const int width = std::min(size, std::max(height, metrics.horizontalAdvance(text) + 4));
    const QRectF badge(size - width, size - height, width, height);
    QPainterPath outline;
    outline.addRoundedRect(badge.adjusted(0.5, 0.5, -0.5, -0.5), height / 2.0, height / 2.0);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(kBadgeColour);
    painter.drawPath(outline);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, text);
    return image;
}

QIcon BadgedIcon(const QIcon& picture, int count) {
    if (BadgeText(count).isEmpty()) return picture;
    QIcon icon;
    for (const int size : kSizes)
        icon.addPixmap(QPixmap::fromImage(BadgedImage(picture, count, size)));
    return icon;
}
