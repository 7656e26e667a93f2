#pragma once
// What the window tests share: one QApplication on the offscreen platform, a stand-in main
// window that records what the windows ask of it, and small widget helpers.

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QTest>
#include <utility>
#include <vector>

#include "check/ui/layout_checks.h"
#include "widgets/window_registry.h"

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "tarnwick-window-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform cannot raise windows and says so every time.
        static const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.startsWith(QStringLiteral("This plugin does not support")))
                    previous(type, context, message);
            });
        return new QApplication(argc, argv);
    }();
    return *app;
}

// What the windows asked of the main window, as the catcher records it.
enum class WindowRequest { Results, List, MainWindow, Closed, SettingsSaved, Help };

// Takes the place of the main window: every request of the windows is kept in order, with the
// help topic of a help request (0 for the others).
class CommandCatcher : public QWidget {
public:
    CommandCatcher() {
        WindowRequests& requests = Requests();
        Record(&WindowRequests::resultsWanted, WindowRequest::Results);
        Record(&WindowRequests::listWanted, WindowRequest::List);
        Record(&WindowRequests::mainWindowWanted, WindowRequest::MainWindow);
        Record(&WindowRequests::windowClosed, WindowRequest::Closed);
        Record(&WindowRequests::settingsSaved, WindowRequest::SettingsSaved);
        connect(&requests, &WindowRequests::helpWanted, this,
                [this](int topic) { commands_.emplace_back(WindowRequest::Help, topic); });
    }

    const std::vector<std::pair<WindowRequest, long long>>& Commands() { return commands_; }
    bool Received(WindowRequest request, long long value) {
        for (const auto& command : Commands())
            if (command == std::make_pair(request, value)) return true;
        return false;
    }
    bool ReceivedCommand(WindowRequest request) {
        for (const auto& command : Commands())
            if (command.first == request) return true;
        return false;
    }
    void Clear() { commands_.clear(); }

private:
    void Record(void (WindowRequests::*signal)(), WindowRequest request) {
        connect(&Requests(), signal, this, [this, request] { commands_.emplace_back(request, 0); });
    }

    std::vector<std::pair<WindowRequest, long long>> commands_;
};

template <typename Widget = QWidget>
Widget* Find(const QWidget* root, const char* name) {
    return root->findChild<Widget*>(QString::fromLatin1(name));
}

inline QColor TextColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

// Lets posted deletions and commands run.
inline void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
