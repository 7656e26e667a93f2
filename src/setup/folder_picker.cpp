#include "setup/folder_picker.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/server_folder_fetch.h"
#include "widgets/ui_text.h"

FolderPicker::FolderPicker(const AccountSettings& account, const SessionOptions& options,
                           QWidget* parent)
    : QDialog(parent), start_(ParseFolderChoice(account.folders)) {
    setObjectName(QStringLiteral("folder_picker"));
    setWindowTitle(Text("folders_title_setup"));
    state_ = new QLabel(Text("folders_fetching_setup"), this);
    state_->setObjectName(QStringLiteral("folders_state"));
    state_->setTextFormat(Qt::PlainText);
    allBox_ = new QCheckBox(Text("folders_all_setup"), this);
    allBox_->setObjectName(QStringLiteral("folders_all"));
    allBox_->setChecked(start_.allSubscribed);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("folders_list"));
    list_->setAccessibleName(Text("folders_title_setup"));
    // What FOLDERS= names stays listed, ticked, until the server's list comes.
    for (const std::string& name : start_.names) AddFolder(ToQt(name), true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("folders_buttons"));
    buttons->button(QDialogButtonBox::Ok)->setText(Text("folders_ok_setup"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("folders_ok"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text("folders_cancel_setup"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("folders_cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(allBox_, &QCheckBox::toggled, this, &FolderPicker::FollowAllSubscribed);

    auto* column = new QVBoxLayout(this);
    column->addWidget(state_);
    column->addWidget(allBox_);
    column->addWidget(list_, 1);
    column->addWidget(buttons);
    FollowAllSubscribed();

    fetch_ = FetchServerFolders(this, account, options,
                                [this](const FolderListing& listing) { ShowListing(listing); });
}

FolderPicker::~FolderPicker() {
    if (fetch_) fetch_->Raise();
}

FolderChoice FolderPicker::Choice() const {
    FolderChoice choice;
    choice.allSubscribed = allBox_->isChecked();
    if (choice.allSubscribed) return choice;
    for (int row = 0; row < list_->count(); ++row)
        if (list_->item(row)->checkState() == Qt::Checked)
            choice.names.push_back(FromQt(list_->item(row)->text()));
    return choice;
}

void FolderPicker::AddFolder(const QString& name, bool ticked) {
    auto* item = new QListWidgetItem(name, list_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

// The server's folders in its order, the ones FOLDERS= names ticked; a name the server does not
// list stays at the end, ticked, for the user to untick.
void FolderPicker::ShowListing(const FolderListing& listing) {
    fetch_.reset();
    if (!listing.listed) {
        state_->setText(Text("folders_failed_setup") + QStringLiteral(" ") + ToQt(listing.error));
        return;
    }
    state_->setText(Text("folders_listed_setup"));
    AccountSettings everySubscribed;
    everySubscribed.protocol = MailProtocol::Imap;
    everySubscribed.folders = "*";
    subscribed_ = WatchedFolderNames(everySubscribed, listing.folders);
    const FolderChoice ticked = Choice();  // what the user ticked meanwhile
    list_->clear();
    std::vector<std::string> left = ticked.names;
    for (const ServerFolder& folder : listing.folders) {
        const auto found = std::find(left.begin(), left.end(), folder.name);
        AddFolder(ToQt(folder.name), found != left.end());
        if (found != left.end()) left.erase(found);
    }
    for (const std::string& name : left) AddFolder(ToQt(name), true);
    FollowAllSubscribed();
}

// Leaving "All subscribed" with nothing ticked ticks what it watched, for the user to change.
void FolderPicker::FollowAllSubscribed() {
    list_->setEnabled(!allBox_->isChecked());
    if (allBox_->isChecked() || !Choice().names.empty()) return;
    for (int row = 0; row < list_->count(); ++row) {
        const std::string name = FromQt(list_->item(row)->text());
        if (std::find(subscribed_.begin(), subscribed_.end(), name) != subscribed_.end())
            list_->item(row)->setCheckState(Qt::Checked);
    }
}
