#pragma once
// The shape every action around a switch has. The switcher owns its actions and runs them on the
// hook thread in one fixed order; an action whose setting is off does nothing.
#include <windows.h>
#include <objbase.h>

#include "framework/Handles.h"
#include "framework/Product.h"
#include "settings/SettingsMirror.h"

class CSwitchAction {
public:
    virtual ~CSwitchAction() = default;
    // When the hook thread starts and after each change of the settings: makes ready what the
    // action needs while it is on, and lets go of what it held while it is off.
    virtual void Prepare(const CSettingsData&) {}
    // On the user's desktop, before the screen flips to the virtual one.
    virtual void Before(const CSettingsData&) {}
    // Once the screen shows the virtual desktop.
    virtual void After(const CSettingsData&) {}
    // Once the screen is back, and whenever the program comes back: gives back what Before changed,
    // whatever the settings say now.
    virtual void Undo() {}
};

// The thread's COM apartment, entered on first use and left when its holder goes. The multithreaded
// one: a single-threaded apartment owns a window, and a thread with a window cannot move to another
// desktop. Hold it before the interfaces made in it, so they are released first.
class CApartment {
public:
    CApartment() noexcept = default;
    CApartment(const CApartment&) = delete;
    CApartment& operator=(const CApartment&) = delete;
    ~CApartment() {
        if (m_entered) ::CoUninitialize();
    }
    bool Enter() noexcept {
        if (!m_entered) m_entered = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        return m_entered;
    }

private:
    bool m_entered = false;
};

// The system's major version, asked once: it picks the road of muting and of clearing recent documents.
DWORD OsMajorVersion() noexcept;

// Whether the virtual desktop shows, as the system tells: what an action gives back on the way back
// (the clipboard, a notice) waits while it does, for a way back that stayed there.
inline bool VirtualDesktopShows() noexcept {
    vp::DesktopHandle input(::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
    wchar_t name[64] = {};
    DWORD needed = 0;
    return input && ::GetUserObjectInformationW(input.Get(), UOI_NAME, name, sizeof(name) - sizeof(wchar_t), &needed) &&
           ::lstrcmpiW(name, product::kDesktopName) == 0;
}
