#pragma once
// The new-mail sound, played without holding the caller: a new sound ends the one playing.

#include <functional>
#include <string>

// Starts `fileName` from the sound folder (SoundFilePath) and returns at once. A file that is
// missing or cannot be started gives the desktop theme's new-mail sound instead.
void PlaySoundFile(const std::string& fileName);

// PlaySoundFile("newm.wav").
void PlayNewMailSound();

// When set, every play calls the hook with the full path instead of sounding (tests).
using SoundHook = std::function<void(const std::string& path)>;
void SetSoundHook(SoundHook hook);
