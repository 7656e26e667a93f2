#include "platform/help.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include "platform/help_viewer.h"
#include "platform/ui_text.h"
#include "platform/window_registry.h"
#include "settings/file_places.h"

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
