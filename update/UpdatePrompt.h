#pragma once
// The offer of a recorded update, shown when the settings window is brought up.
#include <windows.h>

class CRegistryStore;

// Offers the build recorded by the update check once per run: owner is the window of the settings
// window's current page, store the frame's own store set to the program's key.
void ShowUpdateOffer(HWND owner, CRegistryStore& store);
