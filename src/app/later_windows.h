#pragma once
// The list window and the spam filter editor: their commands are wired, the windows themselves
// are not part of the program yet, so both calls do nothing.

void OpenListWindow();
void ShowFilterWindow();
