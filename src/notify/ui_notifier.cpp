#include "notify/ui_notifier.h"

#include "check/folder_tally.h"
#include "notify/alert_window.h"
#include "notify/tray_icon.h"
#include "platform/sound.h"
#include "settings/settings.h"
#include "widgets/ui_text.h"

QString CountChangeMessage(const std::string& trayHint, const std::string& email, int change,
                           const std::vector<std::string>& folderLines) {
    QString folders;
    for (const std::string& line : folderLines)
        folders += QStringLiteral("<br>") + ToQt(line).toHtmlEscaped();
    return QStringLiteral("<FONT size=\"8\" face=\"Arial\">") + ToQt(trayHint) +
           QStringLiteral("<br><b>") + ToQt(email) + QStringLiteral("</b> (") +
           QString::number(change) + QStringLiteral(")") + folders + QStringLiteral("</FONT>");
}

UiCheckNotifier::UiCheckNotifier(TrayIcon& tray, AlertWindow& alert) : tray_(tray), alert_(alert) {}

void UiCheckNotifier::SetTrayHint(const std::string& hint) {
    tray_.SetHint(hint);
}

// The count on the picture is the engine's tally of new mail, which follows at the check's end.
void UiCheckNotifier::ShowNewMailIcon(int) {
    tray_.SetPicture(TrayPicture::NewMail);
}

void UiCheckNotifier::ClearAlertMessages() {
    alert_.ClearMessages();
}

void UiCheckNotifier::AlertCountChanged(const AccountSettings& account, int change) {
    if (change > 0 && replaced_ && replaced_()) {
        PlayNewMailSound();
        return;
    }
    // The check stored what it found in each folder before it tells the change.
    std::vector<std::string> folderLines;
    if (change > 0 && WatchesFolders(account))
        folderLines = FolderArrivalLines(
            FolderArrivals(StoredFolderStates(*OpenSettings(), AccountSection(account))));
    alert_.AddMessage(CountChangeMessage(tray_.Hint(), account.email, change, folderLines),
                      kNewMailImage);
    alert_.ShowAlert();
    PlayNewMailSound();
}
