#pragma once
// Atom tables: the global table (GlobalAddAtomA and window properties) and
// the window layer's own table (registered messages and class names). String
// atoms take values 0xC000..0xFFFF, names compare without letter case, and
// "#123" or MAKEINTATOM(123) name the integer atom 123.
#include <string>

#include "platform/kernel/Types.h"

namespace plat {

constexpr ATOM MAXINTATOM = 0xC000;

ATOM GlobalAddAtomA(const char* name);
ATOM GlobalFindAtomA(const char* name);
// Returns 0 on success, the atom when it names nothing.
ATOM GlobalDeleteAtom(ATOM atom);
UINT GlobalGetAtomNameA(ATOM atom, char* buffer, int size);

// The same value for the same name for the life of the process.
UINT RegisterWindowMessageA(const char* name);

}  // namespace plat

namespace plat::user {

// The window layer's table, counted like the global one.
ATOM AddUserAtom(const char* name);
ATOM FindUserAtom(const char* name);
void DeleteUserAtom(ATOM atom);
std::string UserAtomName(ATOM atom);

}  // namespace plat::user
