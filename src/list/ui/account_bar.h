#pragma once
// The top of the list window: the account box with the fetch button and the list menu, help,
// and the progress of a running request with its cancel button in place of the hint.

#include <QString>
#include <QStringList>
#include <QWidget>

#include "list/ui/list_actions.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QToolButton;

class AccountBar : public QWidget {
    Q_OBJECT
public:
    AccountBar(const ListActions& actions, QWidget* parent = nullptr);

    QComboBox* AccountBox() const { return list_; }
    // The e-mail addresses of the account box; the chosen one stays chosen while it is listed.
    // The addresses, each with its tooltip (`hints` at the same place).
    void SetAccounts(const QStringList& emails, const QStringList& hints);
    int ChosenIndex() const;
    QString ChosenText() const;
    // Chooses the account of that address (none when it is not listed).
    void Choose(const QString& email);
    void ChooseIndex(int index);

    // The folder box beside the account box: shown with `names` (the one chosen stays chosen
    // while it is among them, else the first is), hidden when `names` is empty (an account with
    // one folder).
    void SetFolders(const QStringList& names);
    QComboBox* FolderBox() const { return folders_; }
    // The folder chosen; empty when the box is hidden.
    QString ChosenFolder() const;

    // The progress replaces the hint until HideProgress.
    void ShowProgress(const QString& label);
    void HideProgress();
    bool ProgressShown() const;
    int ProgressMaximum() const;
    void SetProgressLabel(const QString& label);
    void SetProgress(int value, int maximum);

Q_SIGNALS:
    // The user chose an account in the box.
    void accountActivated();
    // The user chose a folder in the folder box.
    void folderActivated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* MakeMenuButton(const char* name, QMenu* menu);

    QComboBox* list_ = nullptr;
    QLabel* folderCaption_ = nullptr;
    QComboBox* folders_ = nullptr;
    QLabel* helpLabel_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QToolButton* cancelButton_ = nullptr;
    QLabel* hint_ = nullptr;
};
