#pragma once
// Which running programs the process actions may touch, and the list the process picker offers.
#include <windows.h>

#include <string>
#include <vector>

namespace vp {

// A desktop shell, which no window or process action ever closes or ends: the user would lose the
// taskbar and the way around their desktop, on whichever desktop it runs.
bool IsDesktopShellName(const wchar_t* exeName) noexcept;

// The executables no process action ever ends and the picker never offers: the system's own two
// entries, the processes a session cannot run without, the desktop shell and this program. Compared
// without regard to case, whole name only.
bool IsExemptProcessName(const wchar_t* exeName) noexcept;

// Adds exeName to list unless it is exempt or an equal name (ignoring case) is there already, so
// the list keeps snapshot order and the first spelling met. Returns whether it was added.
bool AddPickerName(std::vector<std::wstring>& list, const wchar_t* exeName);

// Rebuilds list from a process snapshot: every running executable name once, exempt names left
// out. Processes are listed whatever access this program has to them, so the user's own programs
// are offered. An empty list when no snapshot could be taken.
void EnumeratePickerProcesses(std::vector<std::wstring>& list);

}  // namespace vp
