#pragma once
// A drop-down list that a screen reader names by what it is. Qt names a combo box on Linux by
// its current item; a box given an accessible name keeps that name here, and its current item
// is its text.

// Installs the accessibility factory for non-editable combo boxes with an accessible name.
// Call once, before the first window.
void InstallComboBoxAccessibility();
