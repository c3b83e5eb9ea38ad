// Makes a named object before the program does, as another program of the session could, and holds
// it until it is ended: named_object_first.exe mutex|event everyone|none|low NAME
//   everyone  any process may use it (a DACL of its own, and owned by whoever made it)
//   none      a DACL that grants nothing: no one else can open it
//   low       owned by and granted to this user alone, but labelled low integrity
// A mutex is made held. Exits 2 when the object cannot be made, 3 when it existed already.
#include <windows.h>
#include <sddl.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 1;
    wchar_t sddl[256] = L"D:(A;;GA;;;WD)";
    if (wcscmp(argv[2], L"none") == 0) {
        wcscpy(sddl, L"D:P");
    } else if (wcscmp(argv[2], L"low") == 0) {
        HANDLE token = nullptr;
        BYTE user[256];
        DWORD needed = 0;
        wchar_t* sid = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) ||
            !GetTokenInformation(token, TokenUser, user, sizeof(user), &needed) ||
            !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid)) {
            return 2;
        }
        swprintf(sddl, 256, L"O:%lsD:P(A;;GA;;;%ls)S:(ML;;NW;;;LW)", sid, sid);
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return 2;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    const bool mutex = wcscmp(argv[1], L"mutex") == 0;
    HANDLE object = mutex ? CreateMutexW(&attributes, TRUE, argv[3]) : CreateEventW(&attributes, TRUE, FALSE, argv[3]);
    if (!object) return 2;
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 3;
    Sleep(INFINITE);
    return 0;
}
