#pragma once
// Named kernel objects that only the user's own programs can have made. Where the system offers one,
// they live in a private namespace bound to the user's SID (and to medium integrity, where the system
// can bind that too), which no other user's program, nor one of lower integrity, can create or open.
// Where it does not (the calls are looked up at run time; some systems lack them or answer with a
// stub), they live in the session's namespace, and each object found already there is checked: it
// must be owned by the user, grant no one else, and carry no integrity label below medium. An object
// another program made first is refused, never adopted: a mutex held or an event made by someone
// else would keep the program from starting, or let it run twice, or let anyone speak for it.
#include <windows.h>

#include "framework/Handles.h"

namespace vp {

class CUserObjects {
public:
    // The process's one view of the program's namespace (a namespace can be opened once per process),
    // made on first use. Objects go by "Veilpane\name" in the private namespace, and by
    // "Local\Veilpane.name" in the session's, where older builds have them too.
    static CUserObjects& OfProcess() noexcept;

    // Creates the object, or opens the one that exists when it is the user's own (existed then says
    // so). Null when the name is taken by another program's object, or cannot be had at all.
    // inheritable: a process this one starts may inherit the handle.
    KernelHandle CreateMutex(const wchar_t* name, bool owned, bool& existed) noexcept;
    KernelHandle CreateEvent(const wchar_t* name, bool manualReset, bool inheritable, bool& existed) noexcept;
    // Opens an existing object with the access asked; null when there is none or another made it.
    KernelHandle OpenMutex(const wchar_t* name, DWORD access) noexcept { return Open(name, ::OpenMutexW, access); }
    KernelHandle OpenEvent(const wchar_t* name, DWORD access) noexcept { return Open(name, ::OpenEventW, access); }

    // Whether the objects live in the private namespace.
    bool Private() const noexcept { return m_namespace != nullptr; }

    CUserObjects(const CUserObjects&) = delete;
    CUserObjects& operator=(const CUserObjects&) = delete;

private:
    using OpenCall = HANDLE(WINAPI*)(DWORD, BOOL, LPCWSTR);

    CUserObjects() noexcept;
    KernelHandle Open(const wchar_t* name, OpenCall open, DWORD access) noexcept;
    void OpenNamespace() noexcept;
    // The object's full name; false when it does not fit, or the namespace is there but not to be had.
    bool FullName(const wchar_t* name, wchar_t (&out)[MAX_PATH]) const noexcept;
    // What a create gave: a new object, or the existing one when it is the user's own.
    KernelHandle Made(HANDLE made, bool& existed) const noexcept;
    // The existing object behind a create or an open: kept when it is the user's own.
    KernelHandle Checked(HANDLE object) const noexcept;
    // Whether the object is owned by the user, grants no one else and is labelled medium or above.
    bool MadeByThisUser(HANDLE object) const noexcept;

    BYTE m_user[SECURITY_MAX_SID_SIZE] = {};
    bool m_userKnown = false;
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;  // owner and only grantee: the user; kept for the run
    // Kept open for the whole run: the namespace goes with its last handle. Never closed, so it is
    // no handle wrapper; the process's end closes it.
    HANDLE m_namespace = nullptr;
    bool m_namespaceRefused = false;  // it exists, but this process may not open it
};

}  // namespace vp
