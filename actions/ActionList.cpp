#include "actions/ActionList.h"

#include "actions/DecoyBrowser.h"
#include "actions/OpenActions.h"

CActionList::CActionList(const DWORD& ownShellId) {
    auto mute = std::make_unique<CMuteAction>(OsMajorVersion());
    auto closeWindows = std::make_unique<CCloseWindowsAction>(ownShellId);
    auto clipboard = std::make_unique<CClipboardAction>();
    m_mute = mute.get();
    m_closeWindows = closeWindows.get();
    m_clipboard = clipboard.get();
    // Before the flip: the clipboard held aside first of all, mute, monitor off, history, typed
    // addresses, recent documents, Task Manager, windows closed by title; after it: the file, the web
    // page, the processes ended.
    m_actions.push_back(std::move(clipboard));
    m_actions.push_back(std::move(mute));
    m_actions.push_back(std::make_unique<CMonitorOffAction>());
    m_actions.push_back(std::make_unique<CHistoryAction>());
    m_actions.push_back(std::make_unique<CTypedUrlsAction>());
    m_actions.push_back(std::make_unique<CRecentDocsAction>(OsMajorVersion()));
    m_actions.push_back(std::make_unique<CTaskManagerAction>());
    m_actions.push_back(std::move(closeWindows));
    m_actions.push_back(std::make_unique<COpenFileAction>());
    m_actions.push_back(std::make_unique<COpenWebsiteAction>());
    m_actions.push_back(std::make_unique<CTerminateAction>(ownShellId));
}

void CActionList::SetChangeNotice(CEndpointMute::ChangeNotice notice, void* context) noexcept {
    m_mute->SetChangeNotice(notice, context);
}

void CActionList::Prepare(const CSettingsData& s) {
    for (const auto& action : m_actions) action->Prepare(s);
}

void CActionList::Leaving(const CSettingsData& s) {
    for (const auto& action : m_actions) action->Before(s);
}

void CActionList::LeaveFailed(const CSettingsData& s) {
    m_closeWindows->After(s);
    m_clipboard->Undo();
}

void CActionList::VirtualShown(const CSettingsData& s) {
    for (const auto& action : m_actions) action->After(s);
}

void CActionList::Back() {
    for (const auto& action : m_actions) action->Undo();
}
