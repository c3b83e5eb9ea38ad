#pragma once
// The mute switch of a mixer line, for systems of major version 5.
#include <windows.h>
#include <mmsystem.h>

// The source type that names the destination line itself.
inline constexpr DWORD kNoSourceLine = 0xFFFFFFFF;

class XPMuteControl {
public:
    XPMuteControl() noexcept = default;
    virtual ~XPMuteControl();
    XPMuteControl(const XPMuteControl&) = delete;
    XPMuteControl& operator=(const XPMuteControl&) = delete;

    // Finds the mute control of the destination line of componentType, or of its source line of
    // sourceType (kNoSourceLine: the destination line itself). Does nothing once it has succeeded.
    void Init(DWORD componentType, DWORD sourceType);
    // Sets the found control; does nothing until Init has found one.
    void SetValue(BOOL value);
    HMIXER Mixer() const noexcept { return m_hMixer; }
    bool IsInitialised() const noexcept { return m_bInitialised != 0; }

private:
    DWORD m_dwControlId = 0;
    BOOL m_bInitialised = 0;
    HMIXER m_hMixer = nullptr;
    MIXERCAPSW m_caps{};
};
