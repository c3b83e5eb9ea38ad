#pragma once
// Hears what the system says about the screen and hands it to the hook thread: the input desktop
// changed (EVENT_SYSTEM_DESKTOPSWITCH, out of context), the session was locked or unlocked
// (WTSRegisterSessionNotification). Both want a thread with a message loop, and the session's
// notices a window: the ui thread keeps this; the hook thread owns no window, so that it may change
// desktops. One at a time per process.
#include <windows.h>

#include "framework/Handles.h"
#include "switching/ThreadMail.h"

class CSystemSignals {
public:
    CSystemSignals() noexcept = default;
    ~CSystemSignals() { Stop(); }
    CSystemSignals(const CSystemSignals&) = delete;
    CSystemSignals& operator=(const CSystemSignals&) = delete;

    // On the thread that will pump for them; hook must outlive Stop. False when neither could be had.
    bool Start(vp::CMailbox<HookRequest>* hook) noexcept;
    void Stop() noexcept;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD) noexcept;

    HWND m_window = nullptr;
    HWINEVENTHOOK m_winEvent = nullptr;
    bool m_sessionNotices = false;
};
