#include "actions/HeldClipboard.h"

#include <cstring>

#include "framework/Trace.h"

namespace {

constexpr DWORD kTakeWaitMs = 50;     // a clipboard held open longer is left as it was
constexpr DWORD kPutBackWaitMs = 500;  // the screen is back already; nothing is lost by waiting
constexpr DWORD kRetryMs = 5;
constexpr unsigned char kRecordMark[4] = {'V', 'P', 'C', '1'};

// Opens the clipboard for owner, trying again while another program holds it open.
bool OpenWithin(HWND owner, DWORD waitMs) noexcept {
    const ULONGLONG until = ::GetTickCount64() + waitMs;
    for (;;) {
        if (::OpenClipboard(owner)) return true;
        if (::GetTickCount64() >= until) return false;
        ::Sleep(kRetryMs);
    }
}

// Formats held as memory of their own. Bitmaps are held as the device-independent bitmap the
// system offers beside them; palettes, metafiles and the ranges whose handles only their owner
// understands cannot be copied.
bool CopiedAsMemory(UINT format) noexcept {
    switch (format) {
    case CF_BITMAP: case CF_METAFILEPICT: case CF_PALETTE: case CF_ENHMETAFILE: case CF_OWNERDISPLAY:
    case CF_DSPBITMAP: case CF_DSPMETAFILEPICT: case CF_DSPENHMETAFILE:
        return false;
    }
    return format < CF_PRIVATEFIRST || format > CF_GDIOBJLAST;
}

void Put(std::vector<unsigned char>& out, const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    out.insert(out.end(), p, p + size);
}

// Reads size bytes at *at into data; false past the end.
bool Get(const unsigned char* bytes, size_t size, size_t* at, void* data, size_t count) noexcept {
    if (count > size - *at) return false;
    std::memcpy(data, bytes + *at, count);
    *at += count;
    return true;
}

// Data handed to the clipboard as memory the system then owns.
bool SetMemory(UINT format, const void* data, size_t size) noexcept {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!memory) return false;
    if (void* p = ::GlobalLock(memory)) {
        if (size) std::memcpy(p, data, size);
        ::GlobalUnlock(memory);
        if (::SetClipboardData(format, memory)) return true;
    }
    ::GlobalFree(memory);
    return false;
}

}  // namespace

void WipeBytes(std::vector<unsigned char>& bytes) noexcept {
    if (!bytes.empty()) ::SecureZeroMemory(bytes.data(), bytes.size());
    bytes.clear();
}

bool CHeldClipboard::Holds() const noexcept {
    vp::LockGuard lock(m_cs);
    return !m_formats.empty();
}

void CHeldClipboard::Forget() noexcept {
    vp::LockGuard lock(m_cs);
    for (Format& f : m_formats) WipeBytes(f.bytes);
    m_formats.clear();
}

CHeldClipboard::Taken CHeldClipboard::Take() {
    if (!OpenWithin(nullptr, kTakeWaitMs)) {
        vp::Trace(L"clipboard busy: left as it was");
        return Taken::Busy;
    }
    if (::CountClipboardFormats() == 0) {
        ::CloseClipboard();
        return Taken::Empty;
    }
    std::vector<Format> taken;
    for (UINT number = ::EnumClipboardFormats(0); number != 0; number = ::EnumClipboardFormats(number)) {
        if (number == CF_BITMAP) continue;  // held as CF_DIB
        const HANDLE data = CopiedAsMemory(number) ? ::GetClipboardData(number) : nullptr;
        const void* p = data ? ::GlobalLock(data) : nullptr;
        if (!p) {
            vp::Trace(L"clipboard format %u cannot be copied; left out", number);
            continue;
        }
        Format f;
        f.number = number;
        wchar_t name[256];
        if (number >= 0xC000 && ::GetClipboardFormatNameW(number, name, 256) > 0) f.name = name;
        // Sized once, so no copy of the bytes is left behind in a freed block.
        f.bytes.resize(::GlobalSize(data));
        if (!f.bytes.empty()) std::memcpy(f.bytes.data(), p, f.bytes.size());
        ::GlobalUnlock(data);
        taken.push_back(std::move(f));
    }
    if (!::EmptyClipboard()) vp::Trace(L"clipboard not emptied (error %lu)", ::GetLastError());
    ::CloseClipboard();
    Forget();
    vp::LockGuard lock(m_cs);
    m_formats = std::move(taken);
    vp::Trace(L"clipboard held aside: %u formats", static_cast<unsigned>(m_formats.size()));
    return Taken::Held;
}

bool CHeldClipboard::PutBack() {
    if (!Holds()) return true;
    vp::KernelHandle thread(::CreateThread(nullptr, 0, PutBackProc, this, 0, nullptr));
    DWORD done = 0;
    if (!thread || ::WaitForSingleObject(thread.Get(), INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeThread(thread.Get(), &done) || !done) {
        vp::Trace(L"clipboard busy: held until the next way back");
        return false;
    }
    Forget();
    vp::Trace(L"clipboard put back");
    return true;
}

DWORD WINAPI CHeldClipboard::PutBackProc(void* self) noexcept {
    // A message-only window: nobody sees it, and it goes with the thread's end; the data stays.
    HWND owner = ::CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!owner) return 0;
    const bool put = static_cast<CHeldClipboard*>(self)->PutBackOwnedBy(owner);
    ::DestroyWindow(owner);
    return put ? 1 : 0;
}

bool CHeldClipboard::PutBackOwnedBy(HWND owner) noexcept {
    if (!OpenWithin(owner, kPutBackWaitMs)) return false;
    ::EmptyClipboard();
    {
        vp::LockGuard lock(m_cs);
        for (const Format& f : m_formats) {
            const UINT number = f.name.empty() ? f.number : ::RegisterClipboardFormatW(f.name.c_str());
            if (!number || !SetMemory(number, f.bytes.data(), f.bytes.size())) {
                vp::Trace(L"clipboard format %u not put back", f.number);
            }
        }
    }
    // Put back, not copied anew: the history and the cloud clipboard have it already.
    const DWORD no = 0;
    SetMemory(::RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"), &no, sizeof(no));
    SetMemory(::RegisterClipboardFormatW(L"CanUploadToCloudClipboard"), &no, sizeof(no));
    ::CloseClipboard();
    return true;
}

// The record: the mark, the count, then per format its number, its name's length in units, the
// name, the length of its bytes and the bytes.
std::vector<unsigned char> CHeldClipboard::Serialised() const {
    std::vector<unsigned char> out;
    vp::LockGuard lock(m_cs);
    size_t total = sizeof(kRecordMark) + sizeof(UINT32);
    for (const Format& f : m_formats) total += 3 * sizeof(UINT64) + f.name.size() * sizeof(wchar_t) + f.bytes.size();
    out.reserve(total);  // one block: no partial copy left in a freed one
    Put(out, kRecordMark, sizeof(kRecordMark));
    const UINT32 count = static_cast<UINT32>(m_formats.size());
    Put(out, &count, sizeof(count));
    for (const Format& f : m_formats) {
        const UINT64 fields[2] = {f.number, f.name.size()};
        Put(out, fields, sizeof(fields));
        Put(out, f.name.data(), f.name.size() * sizeof(wchar_t));
        const UINT64 size = f.bytes.size();
        Put(out, &size, sizeof(size));
        Put(out, f.bytes.data(), f.bytes.size());
    }
    return out;
}

bool CHeldClipboard::TakeSerialised(const unsigned char* bytes, size_t size) {
    Forget();
    std::vector<Format> taken;
    const auto refuse = [&taken] {
        for (Format& f : taken) WipeBytes(f.bytes);
        return false;
    };
    size_t at = 0;
    unsigned char mark[sizeof(kRecordMark)];
    UINT32 count = 0;
    if (!Get(bytes, size, &at, mark, sizeof(mark)) || std::memcmp(mark, kRecordMark, sizeof(mark)) != 0 ||
        !Get(bytes, size, &at, &count, sizeof(count))) {
        return false;
    }
    for (UINT32 i = 0; i < count; ++i) {
        UINT64 fields[2] = {}, length = 0;
        // A number is 16 bits and never 0; a registered format's name has at most 255 characters.
        if (!Get(bytes, size, &at, fields, sizeof(fields)) || fields[0] == 0 || fields[0] > 0xFFFF ||
            fields[1] > 255 || fields[1] * sizeof(wchar_t) > size - at) {
            return refuse();
        }
        Format f;
        f.number = static_cast<UINT>(fields[0]);
        f.name.resize(static_cast<size_t>(fields[1]));
        Get(bytes, size, &at, f.name.data(), f.name.size() * sizeof(wchar_t));
        if (!Get(bytes, size, &at, &length, sizeof(length)) || length > size - at) return refuse();
        f.bytes.assign(bytes + at, bytes + at + length);
        at += static_cast<size_t>(length);
        taken.push_back(std::move(f));
    }
    if (at != size) return refuse();
    vp::LockGuard lock(m_cs);
    m_formats = std::move(taken);
    return true;
}

// ---- the action --------------------------------------------------------------------------------------

void CClipboardAction::Before(const CSettingsData& s) {
    if (!s.holdClipboard || m_held.Take() != CHeldClipboard::Taken::Held || !m_handOn) return;
    std::vector<unsigned char> bytes = m_held.Serialised();
    if (!m_handOn(bytes.data(), bytes.size())) vp::Trace(L"clipboard too large for the guard to keep");
    WipeBytes(bytes);
}

void CClipboardAction::Undo() {
    if (!m_held.Holds()) return;
    // Not while an onlooker could paste it: a way back that stayed (behind a lock that failed, or
    // only undoing) leaves it held for the next one.
    if (VirtualDesktopShows()) {
        vp::Trace(L"clipboard still held: the virtual desktop shows");
        return;
    }
    if (m_held.PutBack() && m_handOn) m_handOn(nullptr, 0);
}
