#pragma once
// A filter editor on the offscreen platform with its own settings file, the program's rule list
// emptied around each test, and message-box answers.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "check/ui/window_test_support.h"
#include "settings/ini_file.h"
#include "spam/spam_filter.h"
#include "spam/ui/filter_window.h"
#include "state/app_state.h"
#include "support/temp_folder.h"
#include "widgets/message_box.h"

class FilterWindowTest : public ::testing::Test {
protected:
    // The window edits the program's own rule list and criteria: each test starts and ends
    // with them empty.
    static void ResetSpamState() {
        ProgramState().spamRules.clear();
        ProgramState().spamCriteria = {};
    }

    void SetUp() override {
        ResetSpamState();
        SetMessageBoxHook([this](const QString& title, const QString&) {
            questions.push_back(title.toStdString());
            return answer;
        });
    }

    void TearDown() override {
        delete OpenWindow(WindowKind::Filter);
        Settle();
        SetMessageBoxHook(nullptr);
        ResetSpamState();
    }

    // Rules as a hand-edited or earlier-saved file would give them, stored and loaded.
    void Store(const std::vector<std::string>& values) {
        IniFile ini(folder.File("vellmoor.ini"));
        ini.EraseSection("FILTER");
        for (std::size_t i = 0; i < values.size(); ++i)
            ini.WriteString("FILTER", "F" + std::to_string(i), values[i]);
        ProgramState().LoadFilter();
    }

    // The stored rules, F0, F1, ... in file order.
    std::vector<std::string> StoredRules() const {
        const IniFile ini(folder.File("vellmoor.ini"));
        std::vector<std::string> values;
        const std::vector<std::string> keys = ini.ReadSection("FILTER");
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(keys[i], "F" + std::to_string(i));
            values.push_back(ini.ReadString("FILTER", keys[i], ""));
        }
        return values;
    }

    std::string FileBytes() const { return folder.Read("vellmoor.ini"); }

    QWidget* Open() {
        ShowFilterWindow(ProgramState());
        window = OpenWindow(WindowKind::Filter);
        return window;
    }

    template <typename Widget = QWidget>
    Widget* Control(const char* name) {
        auto* control = Find<Widget>(window, name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QTreeWidget* List() { return Control<QTreeWidget>("ListBox"); }
    QLineEdit* TextField() { return Control<QLineEdit>("eText"); }
    QToolButton* Button(const char* name) { return Control<QToolButton>(name); }
    QRadioButton* Radio(const char* name) { return Control<QRadioButton>(name); }
    QCheckBox* Box(const char* name) { return Control<QCheckBox>(name); }
    QSpinBox* Spin(const char* name) { return Control<QSpinBox>(name); }

    void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void ClickRow(int row) {
        QTreeWidget* list = List();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(row)).center());
    }
    // The texts of a row's three columns, joined by "|".
    std::string Row(int row) {
        const QTreeWidgetItem* item = List()->topLevelItem(row);
        if (item == nullptr) return "(none)";
        return (item->text(0) + '|' + item->text(1) + '|' + item->text(2)).toStdString();
    }
    int SelectedRow() {
        const QList<QTreeWidgetItem*> selected = List()->selectedItems();
        return selected.isEmpty() ? -1 : List()->indexOfTopLevelItem(selected.first());
    }
    // Types a rule into the edit controls.
    void Enter(const char* text, const char* kind = "rSubj", const char* relation = "rContent") {
        Click(Radio(kind));
        Click(Radio(relation));
        TextField()->setText(QString::fromUtf8(text));
    }
    bool RuleButtonsEnabled(bool add, bool save, bool remove) {
        return Button("badd")->isEnabled() == add && Button("bedit")->isEnabled() == save &&
               Button("bdele")->isEnabled() == remove;
    }

    QApplication& app = TestApplication();
    TempFolder folder;
    ProgramFolderScope scope{folder.Path()};
    CommandCatcher mainWindow;
    QWidget* window = nullptr;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::vector<std::string> questions;
};
