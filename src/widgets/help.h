#pragma once
// Help: pages named by topic number ("800.htm") in the shipped "help" folder (beside the
// program, or share/tarnwick/help when installed), shown in the program's own help viewer.

#include <QString>
#include <string>

// Title of the help viewer window.
inline constexpr const char* kHelpViewerTitle = "Tarnwick - your e-mail guard.";

// Asks the main window to open help at `topic` (the window requests' helpWanted signal).
void ShowHelpTopic(int topic);

// Closes an open help viewer and opens a new one at page `topic`.htm.
void OpenHelp(int topic);

// Closes every help viewer window titled `title`.
void CloseHelpViewers(const QString& title);

// Full path of the page of a topic: <help folder>/<topic>.htm.
std::string HelpPagePath(int topic);
