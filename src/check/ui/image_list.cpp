#include "check/ui/image_list.h"

#include <array>

QPixmap ImageListPicture(int index) {
    static constexpr std::array<const char*, 4> kFiles = {
        ":/results/state_ok.png", ":/results/state_new_mail.png", ":/results/state_disabled.png",
        ":/results/state_error.png"};
    if (index < 0 || index >= static_cast<int>(kFiles.size())) return {};
    return QPixmap(QString::fromLatin1(kFiles[static_cast<std::size_t>(index)]));
}

QIcon HelpButtonPicture() {
    return QIcon(QStringLiteral(":/results/help.png"));
}

QPixmap SslMarkPicture() {
    return QPixmap(QStringLiteral(":/results/ssl.png"));
}
