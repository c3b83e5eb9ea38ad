// Actions that are built in their own files; until then they do nothing.
#include "actions/SystemActions.h"

void CSystemActions::SetMute(BOOL) {}
void CSystemActions::CloseWindowsByTitle(const wchar_t*) {}
void CSystemActions::TerminateProcesses(std::vector<std::wstring>) {}
void CSystemActions::OpenFileOnDesktop(const wchar_t*, const wchar_t*) {}
void CSystemActions::OpenWebsiteOnDesktop(const wchar_t*, const wchar_t*) {}
XPMuteControl::~XPMuteControl() {}
CRegexMatcher::CRegexMatcher() {}
CRegexMatcher::~CRegexMatcher() {}
size_t CRegexMatcher::ExtractMatch(const char*, const char*, char* out, size_t n) { if (n) out[0] = 0; return 0; }
size_t CRegexMatcher::ExtractMatchW(const wchar_t*, const wchar_t*, wchar_t* out, size_t n) { if (n) out[0] = 0; return 0; }
