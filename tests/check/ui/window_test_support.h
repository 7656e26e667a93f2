#pragma once
// What the window tests share: one QApplication on the offscreen platform, a stand-in main
// window that records the commands posted to it, and small widget helpers.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/pop_command.h"
#include "settings/language.h"

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

// A shipped language in the language table while it lives, assembled from data/lang (English)
// or data/lang/CODE as the build assembles it, and written where the program reads it (the test's
// own program folder).
class ShippedLanguage {
public:
    explicit ShippedLanguage(const std::string& code) {
        namespace fs = std::filesystem;
        fs::path parts = fs::path(TARNWICK_TEST_DATA) / ".." / ".." / "data" / "lang";
        if (code != "en") parts /= code;
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(parts))
            if (entry.path().extension() == ".part") files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        std::string text;
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            text.append(std::istreambuf_iterator<char>(in), {});
            text += "\n";
        }
        ResetLanguageTable();
        std::ofstream(LanguageFilePath(), std::ios::binary) << text;
        LoadLanguageTable();
    }
    ~ShippedLanguage() {
        std::filesystem::remove(LanguageFilePath());
        ResetLanguageTable();
    }
    ShippedLanguage(const ShippedLanguage&) = delete;
    ShippedLanguage& operator=(const ShippedLanguage&) = delete;
};

// The texts of the shown labels and buttons of `window` that need more room than they have.
inline QStringList CutTexts(QWidget* window) {
    window->show();
    QCoreApplication::processEvents();
    QStringList cut;
    const auto check = [&cut, window](QWidget* widget, const QString& text) {
        if (text.isEmpty() || !widget->isVisibleTo(window)) return;
        const auto* label = qobject_cast<QLabel*>(widget);
        const QSize hint = widget->sizeHint();
        const bool tooNarrow = label != nullptr && label->wordWrap()
                                   ? label->heightForWidth(widget->width()) > widget->height()
                                   : hint.width() > widget->width();
        if (tooNarrow || hint.height() > widget->height() + 2)
            cut << QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                       .arg(widget->objectName(), text)
                       .arg(hint.width())
                       .arg(hint.height())
                       .arg(widget->width())
                       .arg(widget->height());
    };
    for (QLabel* label : window->findChildren<QLabel*>()) check(label, label->text());
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        check(button, button->text());
    return cut;
}

// The names of the controls that Tab reaches from `first` on, in order, once round the window (a
// control's inner field counts as the control).
inline QStringList TabOrder(QWidget* first) {
    QStringList names;
    QWidget* control = first;
    do {
        if ((control->focusPolicy() & Qt::TabFocus) && control->focusProxy() == nullptr) {
            QWidget* named = control;
            while (named->objectName().isEmpty() || named->objectName().startsWith("qt_"))
                named = named->parentWidget();
            if (names.isEmpty() || names.back() != named->objectName())
                names << named->objectName();
        }
        control = control->nextInFocusChain();
    } while (control != first && names.size() < 100);
    return names;
}
