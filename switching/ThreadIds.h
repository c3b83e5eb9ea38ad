#pragma once
// The ids through which the program's threads address each other. The main thread fills them in
// before any worker runs and hands each worker their address; nobody writes them afterwards.
#include <windows.h>

struct ThreadIds {
    DWORD main = 0;
    DWORD ui = 0;
    DWORD hook = 0;
    DWORD pwd1 = 0;
    DWORD pwd2 = 0;
    DWORD check = 0;
};
