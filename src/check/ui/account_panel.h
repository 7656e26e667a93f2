#pragma once
// The panels of the results window, one per account ("panel_" + its index in the account
// list): address, message count, last check and status, coloured by state, with a status
// picture. A click on the address, the picture or the link text asks the main window to open
// the list window on that account.

class AppState;
class QWidget;
struct AccountSettings;

// The height of the account's panel in `window`: for an account that watches several folders, a
// line more for each of them.
int AccountPanelHeight(const AccountSettings& account, const QWidget* window);

// Creates the panel of account `index` with all its parts in `window` and fills it.
void BuildAccountPanel(AppState& state, int index, QWidget* window);

// Fills the value labels and the status picture of account `index` from the account entry
// and its run state in the settings file. Does nothing when the window has no such panel.
void RefreshAccountPanel(const AppState& state, int index, QWidget* window);

// A click on a clickable part of a panel: remembers the account of its panel as the pending
// account and asks the main window to open the list window.
void OpenListFromPanel(AppState& state, QWidget* part);
