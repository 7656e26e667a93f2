#pragma once
// The dialog in which the user picks the folders of an IMAP account to watch: the server's
// folders as a checkable list, fetched on a worker when the dialog opens, or "All subscribed".

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "check/server_folders.h"
#include "net/interrupt.h"
#include "settings/watched_folders.h"

class QCheckBox;
class QLabel;
class QListWidget;

class FolderPicker : public QDialog {
    Q_OBJECT
public:
    // Shows the account's FOLDERS= choice and starts asking its server for the folders.
    FolderPicker(const AccountSettings& account, const SessionOptions& options,
                 QWidget* parent = nullptr);
    ~FolderPicker() override;

    // The choice as ticked: "All subscribed", or the folders ticked in the list's order.
    FolderChoice Choice() const;

private:
    void AddFolder(const QString& name, bool ticked);
    void ShowListing(const FolderListing& listing);
    void FollowAllSubscribed();

    FolderChoice start_;
    // What "All subscribed" watches, once the server's list has come.
    std::vector<std::string> subscribed_;
    QLabel* state_ = nullptr;
    QCheckBox* allBox_ = nullptr;
    QListWidget* list_ = nullptr;
    std::shared_ptr<InterruptSignal> fetch_;
};
