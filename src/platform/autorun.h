#pragma once
// Starting the program with the desktop session: an XDG autostart entry named "Tarnwick_Orv"
// whose command is the program's full path followed by " /1".

#include <string>

// Writes (or replaces) the autostart entry. Throws TarnwickError "Failed to create key <folder>"
// when the autostart folder cannot be created, "Failed to set data for 'Tarnwick_Orv'" when the
// entry cannot be written.
void AddAutorun();

// Deletes the autostart entry; a missing entry is no error.
void RemoveAutorun();

// The autostart entry's file: $XDG_CONFIG_HOME/autostart/Tarnwick_Orv.desktop, or
// ~/.config/autostart/... when XDG_CONFIG_HOME is not set.
std::string AutorunFilePath();

// The command line the entry starts: the quoted program path and "/1", escaped for the
// Exec key of a desktop entry.
std::string AutorunExecLine(const std::string& programPath);
