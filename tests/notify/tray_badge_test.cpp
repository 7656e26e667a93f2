// The new-mail count drawn on the tray's new-mail picture.
#include "notify/tray_badge.h"

#include <gtest/gtest.h>

#include <QSystemTrayIcon>

#include "check/ui/window_test_support.h"
#include "notify/tray_icon.h"

namespace {

QIcon NewMailPicture() {
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x20, 0x60, 0xC0));
    return QIcon(QPixmap::fromImage(image));
}

// Pixels of the badge's red.
int RedPixels(const QImage& image) {
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 80 && c.blue() < 80;
        }
    return red;
}

}  // namespace

TEST(TrayBadge, TextIsTheCountUpTo99) {
    EXPECT_EQ(BadgeText(0), "");
    EXPECT_EQ(BadgeText(-2), "");
    EXPECT_EQ(BadgeText(3), "3");
    EXPECT_EQ(BadgeText(99), "99");
    EXPECT_EQ(BadgeText(100), "99+");
    EXPECT_EQ(BadgeText(120), "99+");
}

TEST(TrayBadge, EachCountDrawsItsOwnBadgeAtTraySizes) {
    TestApplication();
    const QIcon picture = NewMailPicture();
    for (const int size : {16, 22, 24}) {
        const QImage none = BadgedImage(picture, 0, size);
        const QImage three = BadgedImage(picture, 3, size);
        const QImage many = BadgedImage(picture, 120, size);
        EXPECT_EQ(none.size(), QSize(size, size));
        EXPECT_EQ(RedPixels(none), 0) << size;
        EXPECT_GT(RedPixels(three), size) << size;  // more than a line of it
        EXPECT_NE(three, none) << size;
        EXPECT_NE(many, three) << size;
        EXPECT_GT(RedPixels(many), RedPixels(three)) << size;  // "99+" is wider than "3"
        // The badge sits in the lower right corner; the upper left shows the picture.
        EXPECT_EQ(three.pixelColor(1, 1), none.pixelColor(1, 1)) << size;
        EXPECT_NE(three.pixelColor(size - 3, size - size / 4),
                  none.pixelColor(size - 3, size - size / 4))
            << size;
    }
}

TEST(TrayBadge, TheIconShowsTheCountOnlyOnTheNewMailPicture) {
    TestApplication();
    TrayIcon tray;
    QImage quiet(24, 24, QImage::Format_ARGB32_Premultiplied);
    quiet.fill(Qt::gray);
    tray.SetIcons(QIcon(QPixmap::fromImage(quiet)), NewMailPicture());
    const auto shown = [&] {
        return tray.Icon()->icon().pixmap(24, 24).toImage().convertToFormat(
            QImage::Format_ARGB32_Premultiplied);
    };
    tray.SetNewMailCount(3);
    EXPECT_EQ(RedPixels(shown()), 0) << "the quiet picture carries no count";
    tray.SetPicture(TrayPicture::NewMail);
    EXPECT_EQ(shown(), BadgedImage(NewMailPicture(), 3, 24));
    tray.SetNewMailCount(120);
    EXPECT_EQ(shown(), BadgedImage(NewMailPicture(), 120, 24));
    tray.SetNewMailCount(0);
    EXPECT_EQ(RedPixels(shown()), 0);
}
