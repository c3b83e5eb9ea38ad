#include "switching/OriginalDesktop.h"

#include "framework/Handles.h"
#include "framework/Product.h"
#include "framework/Trace.h"
#include "switching/GuardChannel.h"

const wchar_t* OriginalDesktopInstead(const wchar_t* showingName, const wchar_t* virtualName) noexcept {
    // Desktop names are matched without regard to case, as the system does.
    return ::lstrcmpiW(showingName, virtualName) == 0 ? L"Default" : nullptr;
}

namespace {

HDESK DecideOriginalDesktop() noexcept {
    // Not the input desktop when the last copy ended while its prompt showed: that is its prompts'
    // desktop, and the guard started this copy on the user's own.
    const bool promptLeft = guard_channel::HandedOver() && guard_channel::Current().promptShowing;
    vp::DesktopHandle input(promptLeft ? nullptr : ::OpenInputDesktop(0, FALSE, GENERIC_ALL));
    // Without the input desktop, the desktop we started on (not ours to close).
    const HDESK showing = input ? input.Get() : ::GetThreadDesktop(::GetCurrentThreadId());
    wchar_t name[64] = L"";
    DWORD needed = 0;
    ::GetUserObjectInformationW(showing, UOI_NAME, name, sizeof(name) - sizeof(wchar_t), &needed);
    const wchar_t* instead = OriginalDesktopInstead(name, product::kDesktopName);
    if (!instead) {
        input.Release();  // kept open for the whole run
        return showing;
    }
    if (HDESK user = ::OpenDesktopW(instead, 0, FALSE, GENERIC_ALL)) {
        vp::Trace(L"started on %ls: the original desktop is %ls", name, instead);
        return user;  // kept open for the whole run
    }
    vp::Trace(L"started on %ls and %ls cannot be opened (error %lu)", name, instead, ::GetLastError());
    input.Release();
    return showing;
}

}  // namespace

HDESK OriginalDesktop() noexcept {
    static const HDESK desktop = DecideOriginalDesktop();
    return desktop;
}
