#pragma once
// Checks of how a window is laid out, as a user meets it: in a shipped language, no text cut,
// and the order in which Tab reaches the controls.

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/language.h"

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

// The shown labels and buttons of `window` whose texts need more room than they have, one a line.
inline std::string CutTexts(QWidget* window) {
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
    return cut.join('\n').toStdString();
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
