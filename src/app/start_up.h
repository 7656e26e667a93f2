#pragma once
// The program's entry steps between the language table and the message loop: the
// single-instance test, the start-drive test, then the data module and the main window.

#include <QString>

enum class StartDecision {
    Run,         // no other copy, not on a CD-ROM: go on
    HandedOver,  // another copy runs and was told to show itself
    Refused,     // the program lies on a CD-ROM; the refusal box was shown
};

// Title of the main window and of the start refusal box.
QString ProgramTitle();

// Steps 3 and 4 of the start: hands over to a copy listening on `instanceName`, or refuses a
// start from an optical disc. Touches neither the settings nor the language file.
StartDecision DecideStart(const QString& instanceName);

// The whole program after the language table is loaded: returns the exit code.
int RunProgram(int argc);
