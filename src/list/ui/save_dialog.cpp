#include "list/ui/save_dialog.h"

#include <QFileDialog>

namespace {
SaveFileChooser& Chooser() {
    static SaveFileChooser chooser;
    return chooser;
}
}  // namespace

QString ChooseSaveFile(QWidget* owner, const QString& title, const QStringList& filters) {
    if (Chooser()) return Chooser()(title, filters);
    QFileDialog dialog(owner, title);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("eml"));
    dialog.setNameFilters(filters);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

void SetSaveFileChooser(SaveFileChooser chooser) {
    Chooser() = std::move(chooser);
}
