#include "app/later_windows.h"

void OpenListWindow() {}
