#pragma once
// Where the information windows and the Info menu send the user, and how:
// each is one "open" of the shell, owned by the window that asks.
#include <string>

#include "platform/kernel/Types.h"

namespace app {

// The maker's addresses: the project's own pages.
inline constexpr const char* kMakerMail = "mailto:team@quellix.example.org";
inline constexpr const char* kMakerWebPage = "https://quellix.example.org/";
inline constexpr const char* kMakerHomePage = "https://quellix.example.org/";
inline constexpr const char* kWorkshopPage = "https://quellix.example.org/workshop/analyser.html";
// The platform's volume mixer, as the shell knows it.
inline constexpr const char* kMixerProgram = "sndvol32.exe";
// The help page, in the folder "Help" beside the program.
inline constexpr const char* kHelpFolder = "Help";
inline constexpr const char* kHelpPage = "Sonavex pro.html";

// The shell's "open" of `target` with no parameters and no folder, shown
// normally; the result is not looked at (the shell says itself when nothing
// can open the target).
void OpenThroughShell(plat::HWND owner, const std::string& target);

// The help page: the current folder becomes "Help" in the program's folder
// (tried twice) and stays so; then the page is opened by its relative name.
void OpenHelpPage(plat::HWND owner);

}  // namespace app
