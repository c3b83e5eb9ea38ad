// Tells which handles it was given: handle_probe.exe <handle value>... exits with a mask whose bit i
// is set when the i-th value names a handle open in this process (at most 16 values).
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    int mask = 0;
    for (int i = 1; i < argc && i <= 16; ++i) {
        const HANDLE h = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(wcstoull(argv[i], nullptr, 10)));
        DWORD flags = 0;
        if (GetHandleInformation(h, &flags)) mask |= 1 << (i - 1);
    }
    return mask;
}
