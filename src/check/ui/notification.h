#pragma once
// Returning the new-mail notification to the quiet state. The data module does the work (tray
// picture 0, alert window hidden); without a data module (tests of single windows) it does
// nothing.

#include <functional>

void AcknowledgeNewMail();

// The data module registers what AcknowledgeNewMail does, and clears it when it goes.
void SetAcknowledgeNewMailHandler(std::function<void()> handler);
