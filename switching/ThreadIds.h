#pragma once
// The ids of the program's threads: for waits and the trace. The main thread fills them in before any
// worker runs; nobody writes them afterwards. What the threads ask of each other goes by their mail.
#include <windows.h>

struct ThreadIds {
    DWORD main = 0;
    DWORD ui = 0;
    DWORD hook = 0;
    DWORD pwd1 = 0;
    DWORD pwd2 = 0;
    DWORD check = 0;
};
