// The folders an IMAP account watches: the "Folders…" button of the field group and the picker
// it opens on the saved account.
#include <QGridLayout>
#include <QGroupBox>
#include <QToolButton>

#include "settings/settings.h"
#include "settings/watched_folders.h"
#include "setup/folder_picker.h"
#include "setup/setup_window.h"
#include "state/app_state.h"
#include "widgets/ui_text.h"

void SetupWindow::BuildFolderButton(QGridLayout* grid, QGroupBox* group, int row) {
    foldersButton_ = Named(new QToolButton(group), "bfolders");
    foldersButton_->setText(Text("folders_button_setup"));
    foldersButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    foldersButton_->setAccessibleName(Text("folders_hint_setup"));
    grid->addWidget(foldersButton_, row, 0, Qt::AlignLeft);
    connect(foldersButton_, &QToolButton::clicked, this, [this] { OnFoldersClicked(); });
}

// Shown for an IMAP account; the picker works on the saved account, so the fields must hold one
// that can be saved. Its hint says what is watched now.
void SetupWindow::UpdateFolderButton() {
    const int selected = SelectedIndex();
    const bool saved =
        selected >= 0 && static_cast<std::size_t>(selected) < state_.Accounts().size();
    foldersButton_->setVisible(ChosenProtocol() == MailProtocol::Imap);
    foldersButton_->setEnabled(saved && IsAccountValid());
    QString hint = Text("folders_hint_setup");
    if (saved) {
        const AccountSettings& account =
            state_.Accounts()[static_cast<std::size_t>(selected)].params;
        const FolderChoice choice = ParseFolderChoice(account.folders);
        hint += QStringLiteral(": ") + (choice.allSubscribed ? Text("folders_all_setup")
                                        : choice.Empty()     ? ToQt(account.Folder())
                                                             : ToQt(FolderChoiceValue(choice)));
    }
    foldersButton_->setToolTip(hint);
}

void SetupWindow::OnFoldersClicked() {
    if (saveFieldsButton_->isEnabled()) SaveSettings();  // the server and login as shown
    const int selected = SelectedIndex();
    if (selected < 0 || static_cast<std::size_t>(selected) >= state_.Accounts().size()) return;
    const AccountSettings& account = state_.Accounts()[static_cast<std::size_t>(selected)].params;
    if (account.protocol != MailProtocol::Imap) return;
    auto* picker = new FolderPicker(account, state_.SessionOptionsNow(), this);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    connect(picker, &QDialog::accepted, this, [this, picker, section = AccountSection(account)] {
        for (std::size_t i = 0; i < state_.Accounts().size(); ++i)
            if (AccountSection(state_.Accounts()[i].params) == section) {
                AccountEntry entry = state_.Accounts()[i];
                entry.params.folders = FolderChoiceValue(picker->Choice());
                state_.SetAccount(i, std::move(entry));
            }
        SaveSettings();
    });
    picker->open();
}
