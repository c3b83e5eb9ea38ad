#pragma once
// Every action around a switch, made once in the one fixed order they run in, each step down the
// whole list: the hook thread's owner of the desktop truth tells the list what happens and the list
// tells each action. An action whose setting is off does nothing.
#include <windows.h>

#include <memory>
#include <vector>

#include "actions/CleanupActions.h"
#include "actions/HeldClipboard.h"
#include "actions/SwitchAction.h"
#include "actions/WindowActions.h"

class CActionList {
public:
    // ownShellId: the shell the switcher started on the virtual desktop, which no action closes or
    // ends; read at each step, so it may be set after the list is made.
    explicit CActionList(const DWORD& ownShellId);
    CActionList(const CActionList&) = delete;
    CActionList& operator=(const CActionList&) = delete;

    // The default playback device changed (on a thread of the audio system): notice is called.
    void SetChangeNotice(CEndpointMute::ChangeNotice notice, void* context) noexcept;

    // Whom the clipboard held aside is handed on to (the guard's channel).
    void SetClipboardHandOn(CClipboardAction::HandOn handOn) noexcept { m_clipboard->SetHandOn(handOn); }

    // At the start and after each change of the settings.
    void Prepare(const CSettingsData& s);
    // On the user's desktop, right before the screen leaves it.
    void Leaving(const CSettingsData& s);
    // The flip did not happen: the programs whose windows would not close end here, on the way out,
    // and the clipboard held aside goes back at once.
    void LeaveFailed(const CSettingsData& s);
    // The virtual desktop shows, by the program's own switch.
    void VirtualShown(const CSettingsData& s);
    // The user is back, or the program comes back (whoever moved the screen): what was changed is
    // given back, whatever the settings say now.
    void Back();

private:
    std::vector<std::unique_ptr<CSwitchAction>> m_actions;  // in their order
    CMuteAction* m_mute = nullptr;                           // in m_actions
    CCloseWindowsAction* m_closeWindows = nullptr;           // in m_actions
    CClipboardAction* m_clipboard = nullptr;                 // in m_actions
};
