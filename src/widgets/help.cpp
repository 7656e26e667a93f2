#include "widgets/help.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include "settings/file_places.h"
#include "widgets/help_viewer.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

void ShowHelpTopic(int topic) {
    Q_EMIT Requests().helpWanted(topic);
}

void CloseHelpViewers(const QString& title) {
    QList<QPointer<QWidget>> viewers;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->windowTitle() == title) viewers.append(window);
    for (const QPointer<QWidget>& viewer : viewers)
        if (viewer) viewer->close();
}

std::string HelpPagePath(int topic) {
    return PlacedFilePath(ProgramFile::Help, std::to_string(topic) + ".htm");
}

void OpenHelp(int topic) {
    CloseHelpViewers(kHelpViewerTitle);
    auto* viewer = new HelpViewer(ToQt(HelpPagePath(topic)));
    BringToFront(viewer);
}
