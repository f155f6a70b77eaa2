#pragma once
// Fills the registry of audio file classes at start-up.

namespace files {

// The classes in the order the player source asks them: MPEG (1), CD audio
// (4), wave (5).
void RegisterAudioFileClasses();

}  // namespace files
