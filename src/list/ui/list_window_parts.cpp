#include "list/ui/list_window_parts.h"

#include <QApplication>
#include <QFile>
#include <QResizeEvent>
#include <QStyle>
#include <QWidget>

#include "list/list_window_rules.h"
#include "settings/language.h"
#include "widgets/help.h"
#include "widgets/ui_text.h"

namespace list_window_parts {

void EvenSplitter::resizeEvent(QResizeEvent* event) {
    const QList<int> before = sizes();
    QSplitter::resizeEvent(event);
    const QList<int> after = sizes();
    if (before.size() != 2 || after.size() != 2 || before[0] <= 0 || before[1] <= 0) return;
    const int change = (after[0] + after[1]) - (before[0] + before[1]);
    const int first = std::max(1, before[0] + change / 2);
    const int second = after[0] + after[1] - first;
    if (second > 0 && first != after[0]) setSizes({first, second});
}

QIcon ListImage(int index) {
    const QString file =
        QStringLiteral(":/tarnwick/btn/%1.png").arg(index, 2, 10, QLatin1Char('0'));
    if (QFile::exists(file)) return QIcon(file);
    QStyle::StandardPixmap standard = QStyle::SP_FileIcon;
    switch (index) {
        case 0:
            standard = QStyle::SP_DialogCancelButton;
            break;
        case 2:
            standard = QStyle::SP_ArrowDown;
            break;
        case 4:
            standard = QStyle::SP_BrowserReload;
            break;
        case 6:
            standard = QStyle::SP_DriveNetIcon;
            break;
        case 11:
            standard = QStyle::SP_MessageBoxWarning;
            break;
        case 16:
            standard = QStyle::SP_DialogApplyButton;
            break;
        case 17:
            standard = QStyle::SP_DialogYesButton;
            break;
        case 19:
            standard = QStyle::SP_TrashIcon;
            break;
        case 20:
            standard = QStyle::SP_DialogNoButton;
            break;
        case 21:
            standard = QStyle::SP_DialogSaveButton;
            break;
        default:
            break;
    }
    return QApplication::style()->standardIcon(standard);
}

QToolButton* MakeHelpButton(const char* name) {
    auto* button = Named(new QToolButton, name);
    button->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    button->setAutoRaise(true);
    button->setToolTip(Text("help_btn"));
    button->setAccessibleName(button->toolTip());
    QObject::connect(button, &QToolButton::clicked, button,
                     [] { ShowHelpTopic(ListHelpTopic(static_cast<int>(ListHelpTag::Window))); });
    return button;
}

void Colour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void NameToolButtons(QToolBar* bar) {
    for (QAction* action : bar->actions()) {
        QWidget* button = bar->widgetForAction(action);
        if (button != nullptr && !action->isSeparator() && !action->toolTip().isEmpty())
            button->setAccessibleName(action->toolTip());
    }
}

}  // namespace list_window_parts
