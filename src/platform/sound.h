#pragma once
// The new-mail sound, played to its end before the call returns.

#include <functional>
#include <string>

// Plays `fileName` from the sound folder (SoundFilePath) and returns when the sound has ended. A
// file that is missing or cannot be played gives the desktop theme's new-mail sound instead.
void PlaySoundFile(const std::string& fileName);

// PlaySoundFile("newm.wav").
void PlayNewMailSound();

// When set, every play calls the hook with the full path instead of sounding (tests).
using SoundHook = std::function<void(const std::string& path)>;
void SetSoundHook(SoundHook hook);
