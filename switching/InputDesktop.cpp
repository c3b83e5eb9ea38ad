#include "switching/InputDesktop.h"

#include "framework/Handles.h"

bool ReadInputDesktopName(wchar_t* name, size_t size) noexcept {
    if (size == 0) return false;
    name[0] = L'\0';
    vp::DesktopHandle input(::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
    DWORD needed = 0;
    // One character short of the buffer, so the name always ends inside it.
    const DWORD bytes = static_cast<DWORD>((size - 1) * sizeof(wchar_t));
    if (!input || !::GetUserObjectInformationW(input.Get(), UOI_NAME, name, bytes, &needed)) {
        name[0] = L'\0';
        return false;
    }
    name[size - 1] = L'\0';
    return name[0] != L'\0';
}
