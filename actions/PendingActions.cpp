// Actions that are built in their own files; until then they do nothing.
#include "actions/SystemActions.h"

void CSystemActions::SetMute(BOOL) {}
void CSystemActions::CloseWindowsByTitle(const wchar_t*) {}
void CSystemActions::TerminateProcesses(std::vector<std::wstring>) {}
void CSystemActions::OpenFileOnDesktop(const wchar_t*, const wchar_t*) {}
void CSystemActions::OpenWebsiteOnDesktop(const wchar_t*, const wchar_t*) {}
XPMuteControl::~XPMuteControl() {}
