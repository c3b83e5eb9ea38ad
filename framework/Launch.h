#pragma once
// The one way the program starts another: a command line on a named desktop, handing on exactly the
// handles it is told to and nothing else, with the started process's handles owned by the caller.
#include <windows.h>

#include <initializer_list>

#include "framework/Handles.h"

namespace vp {

struct LaunchedProcess {
    KernelHandle process;
    KernelHandle thread;
    DWORD processId = 0;
    explicit operator bool() const noexcept { return static_cast<bool>(process); }
};

// Starts commandLine (which the system may write to, as CreateProcessW does) on the named desktop
// (null: the caller's). application, when given, is the program to run, whatever the command line's
// first field says. inherit: the only handles the program gets, each made inheritable by its creator
// (null ones are left out); a program handed any gets no standard handles, so it writes nowhere and
// holds no pipe of ours open. job, when given: the program is put in it before it runs, so every
// process it starts belongs to the job too (IsProcessInJob tells whether the system let it in). An
// empty process on failure, the last error saying why.
LaunchedProcess LaunchOnDesktop(const wchar_t* application, wchar_t* commandLine, const wchar_t* desktop,
                                std::initializer_list<HANDLE> inherit = {}, HANDLE job = nullptr) noexcept;

}  // namespace vp
