#pragma once
// Where each of the program's files lives. Two ways to run, chosen from the program's folder:
// - portable: the folder is writable and not an installed layout; every file is beside the
//   program (the build folder runs this way);
// - installed: the folder is not writable, or it is the bin/ of an installed tree (a
//   share/tarnwick/lang folder beside it); the user's files (settings, language file, sound)
//   live in $XDG_CONFIG_HOME/tarnwick (~/.config/tarnwick) and the shipped ones (help pages,
//   language files to start from) in share/tarnwick.
// The program's own folder still decides the CD-ROM refusal and the autostart command.

#include <string>
#include <string_view>

enum class FileMode { Portable, Installed };

enum class ProgramFile {
    Settings,          // vellmoor.ini
    Language,          // vellmoar.lng, enciphered at exit
    Sound,             // newm.wav, the user's new-mail sound
    Help,              // the folder of the help pages
    ShippedLanguages,  // the folder of the shipped language files, <code>.lng
};

// The mode of the current program folder.
FileMode CurrentFileMode();

// The folder that holds `file` in the current mode, without a trailing slash.
std::string ProgramFileFolder(ProgramFile file);

// Path of `name` inside the folder of `file`, doubled slashes collapsed.
std::string PlacedFilePath(ProgramFile file, std::string_view name);

// The settings file, the language file and the sound file with their fixed names.
std::string SettingsFilePath();
std::string LanguageFilePlace();
std::string SoundFilePath(std::string_view fileName = "newm.wav");

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config (the password database's home when HOME is not set).
std::string ConfigHomeFolder();

// The language code of the user's messages locale: the first set of LC_ALL, LC_MESSAGES and
// LANG, cut at "_", "." or "@" and lower-cased; "" for the C/POSIX locale or none.
std::string LocaleLanguageCode(const char* lcAll, const char* lcMessages, const char* lang);

// First start: creates the user's folder in installed mode and, when there is no language file
// yet, copies the shipped one of the user's locale (English when there is none for it).
// Failures leave things as they are: the program then runs on the keys, as with no file.
void PrepareUserFiles();
