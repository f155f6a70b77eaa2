#pragma once
// Registers the start-up and shut-down work of every layer in the unit table.
namespace app {
void RegisterAllUnits();
}
