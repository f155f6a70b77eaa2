#pragma once
// The program's linked resources, made by tools/resgen from this folder at
// build time. main registers them once, before anything loads a resource;
// test programs that need them do the same.
#include "platform/kernel/Resources.h"

const plat::ResourceTable& ProgramResourceTable();
void RegisterProgramResources();
