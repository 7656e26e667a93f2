// The folder box of the list window: which folder of an account that watches several is listed.
#include <QComboBox>
#include <QStringList>

#include "check/folder_tally.h"
#include "engine/server_folder_fetch.h"
#include "list/ui/account_bar.h"
#include "list/ui/list_window.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "widgets/ui_text.h"

namespace {

QStringList QtNames(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) list << ToQt(name);
    return list;
}

}  // namespace

std::optional<AccountSettings> MailboxWindow::ChosenAccount() const {
    const AccountSettings* account = AccountAt(SelectedAccount());
    if (account == nullptr) return std::nullopt;
    AccountSettings chosen = *account;
    const QString folder = accountBar_->ChosenFolder();
    if (WatchesFolders(chosen) && !folder.isEmpty()) chosen.folder = FromQt(folder);
    return chosen;
}

void MailboxWindow::FillFolderBox(const AccountSettings& account) {
    if (folderFetch_) folderFetch_->Raise();
    folderFetch_.reset();
    accountBar_->SetFolders({});
    if (!WatchesFolders(account)) return;
    const FolderChoice choice = ParseFolderChoice(account.folders);
    if (!choice.allSubscribed) {
        accountBar_->SetFolders(QtNames(choice.names));
        return;
    }
    std::vector<std::string> known;
    for (const FolderRunState& folder :
         StoredFolderStates(*OpenSettings(), AccountSection(account)))
        known.push_back(folder.name);
    if (known.empty()) known.push_back(account.Folder());
    accountBar_->SetFolders(QtNames(known));
    folderFetch_ = FetchServerFolders(
        this, account, state_.SessionOptionsNow(), [this, account](const FolderListing& listing) {
            folderFetch_.reset();
            if (!listing.listed || folderBoxAccount_ != account.email) return;
            accountBar_->SetFolders(QtNames(WatchedNamesOf(account, listing)));
            onAccountChosen();  // the folder shown may have gone
        });
}
