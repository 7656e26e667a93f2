#pragma once
// The list window: its command is wired, the window itself is not part of the program yet, so
// the call does nothing.

void OpenListWindow();
