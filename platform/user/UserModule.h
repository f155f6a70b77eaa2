#pragma once
// The window layer as a loadable module: "USER32.DLL" exports the entry
// points that callers look up at run time instead of linking (scroll-bar
// information, mouse-leave tracking, combo-box information).
namespace plat {

// Registers the built-in module; a later call puts the real exports back
// after a test replaced them.
void RegisterUserModule();

}  // namespace plat
