#pragma once
// Makes the audio components known to the class registry by name, so stored
// window descriptions can create them.
namespace engine {
void RegisterComponentClasses();
}
