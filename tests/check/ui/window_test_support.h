#pragma once
// What the window tests share: one QApplication on the offscreen platform, a stand-in main
// window that records the commands posted to it, and small widget helpers.

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QTest>
#include <utility>
#include <vector>

#include "check/ui/layout_checks.h"
#include "platform/pop_command.h"

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

// Takes the place of the main window: every command posted to it is kept in order.
class CommandCatcher : public QWidget {
public:
    CommandCatcher() { SetMainForm(this); }
    ~CommandCatcher() override { SetMainForm(nullptr); }

    // Delivers what was posted so far and returns every command received.
    const std::vector<std::pair<PopCommand, long long>>& Commands() {
        QCoreApplication::sendPostedEvents(this, PopCommandEvent::EventType());
        return commands_;
    }
    bool Received(PopCommand wParam, long long lParam) {
        for (const auto& command : Commands())
            if (command == std::make_pair(wParam, lParam)) return true;
        return false;
    }
    bool ReceivedCommand(PopCommand wParam) {
        for (const auto& command : Commands())
            if (command.first == wParam) return true;
        return false;
    }
    void Clear() {
        Commands();
        commands_.clear();
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == PopCommandEvent::EventType()) {
            const auto* command = static_cast<PopCommandEvent*>(event);
            commands_.emplace_back(command->wParam, command->lParam);
            return true;
        }
        return QWidget::event(event);
    }

private:
    std::vector<std::pair<PopCommand, long long>> commands_;
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
