#pragma once
// The clipboard held aside while the virtual desktop shows: both desktops share one clipboard, so
// what the user copied last (a password, a sentence of the hidden document) could be pasted there.
// Before the flip every format that can be copied is taken into memory and the clipboard emptied; on
// the way back it is put back. Held in memory only, never in a file, and wiped when let go.
#include <windows.h>

#include <string>
#include <vector>

#include "actions/SwitchAction.h"
#include "framework/Handles.h"

class CHeldClipboard {
public:
    CHeldClipboard() noexcept = default;
    ~CHeldClipboard() { Forget(); }
    CHeldClipboard(const CHeldClipboard&) = delete;
    CHeldClipboard& operator=(const CHeldClipboard&) = delete;

    enum class Taken { Held, Empty, Busy };
    // Takes every format the clipboard holds that can be copied, then empties it. A clipboard that
    // another program holds open is tried again for up to 50 ms and, still busy, left as it was.
    // An empty clipboard leaves what is held already alone: it may be all the user still has.
    // Formats that cannot be copied are named in the trace (by number) and left out of the copy.
    Taken Take();
    // Puts what is held back, from a thread with a window of its own (the system wants an owner to
    // give data to), marked so that the clipboard history does not list it a second time. False,
    // with everything still held, when the clipboard stays busy.
    bool PutBack();
    bool Holds() const noexcept;
    void Forget() noexcept;  // wipes what is held

    // What is held, serialised, for the guard to keep and put back when the program ends without
    // the way back; the caller wipes the bytes (WipeBytes) once they are handed on.
    std::vector<unsigned char> Serialised() const;
    // Holds what Serialised gave; false, holding nothing, for bytes that are not such a record.
    bool TakeSerialised(const unsigned char* bytes, size_t size);

private:
    struct Format {
        UINT number = 0;
        std::wstring name;  // a registered format's, whose number is only the session's
        std::vector<unsigned char> bytes;
    };
    static DWORD WINAPI PutBackProc(void* self) noexcept;
    bool PutBackOwnedBy(HWND owner) noexcept;

    mutable vp::CriticalSection m_cs;  // the hook thread takes, the guard's channel reads
    std::vector<Format> m_formats;
};

void WipeBytes(std::vector<unsigned char>& bytes) noexcept;

// The action: held aside first of all before the flip, before windows are closed whose programs
// could take formats they have not yet rendered with them; put back on the way back once the
// virtual desktop no longer shows.
class CClipboardAction : public CSwitchAction {
public:
    // Told what is held (serialised) each time it changes, empty once nothing is: the program's
    // guard keeps it, to put it back should the program end without the way back.
    using HandOn = bool (*)(const unsigned char* bytes, size_t size) noexcept;
    void SetHandOn(HandOn handOn) noexcept { m_handOn = handOn; }

    void Before(const CSettingsData& s) override;
    void Undo() override;

private:
    CHeldClipboard m_held;
    HandOn m_handOn = nullptr;
};
