// Keys, help topics, focus colours and the sound test of the setup window.

#include <QLabel>

#include "setup/setup_window_fixture.h"

namespace {

const QColor kFieldColour(0x88, 0xAE, 0xE4);
const QColor kFocusColour(0xDA, 0xEA, 0xFD);

TEST_F(SetupWindowTest, F1AndHelpButtonsAskForTheControlsTopic) {
    Open();
    QTest::keyClick(Edit("pop_user"), Qt::Key_F1);
    QTest::keyClick(Edit("pop_password"), Qt::Key_F1);
    QTest::keyClick(Port(), Qt::Key_F1);
    QTest::keyClick(Box("pop_show_advert"), Qt::Key_F1);
    QTest::keyClick(List(), Qt::Key_F1);
    Click(Button("RxSpeedButton2"));
    Click(Button("RxSpeedButton6"));
    Click(Button("bhelp"));
    Click(Control<QLabel>("help_label"));
    std::vector<std::pair<WindowRequest, long long>> expected;
    for (const long long topic : {305, 305, 303, 311, 301, 303, 308, 300, 300})
        expected.emplace_back(WindowRequest::Help, topic);
    EXPECT_EQ(mainWindow.Commands(), expected);
}

TEST_F(SetupWindowTest, F1InTheServerBoxReachesIt) {
    OpenActive();
    Server()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 303));
}

TEST_F(SetupWindowTest, EnterMovesToTheNextField) {
    OpenActive();
    Edit("pop_mail")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(Server()->hasFocus() || Server()->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_TRUE(Port()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), Edit("pop_user"));
}

TEST_F(SetupWindowTest, FocusedFieldIsLit) {
    OpenActive();
    QLineEdit* user = Edit("pop_user");
    EXPECT_EQ(user->palette().color(QPalette::Base), kFieldColour);
    user->setFocus();
    EXPECT_EQ(user->palette().color(QPalette::Base), kFocusColour);
    Edit("pop_password")->setFocus();
    EXPECT_EQ(user->palette().color(QPalette::Base), kFieldColour);
    EXPECT_EQ(Edit("pop_password")->palette().color(QPalette::Base), kFocusColour);
}

TEST_F(SetupWindowTest, RightClickOnTheSoundSwitchPlaysTheSound) {
    Open();
    QCheckBox* wave = Box("pop_wave");
    QTest::mouseClick(wave, Qt::RightButton);
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_TRUE(sounds[0].ends_with("newm.wav"));
    EXPECT_FALSE(wave->isChecked());

    Click(wave);
    EXPECT_TRUE(wave->isChecked());
    EXPECT_EQ(sounds.size(), 1u);
}

}  // namespace
