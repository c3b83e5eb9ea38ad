#include "switching/GuardChannel.h"

#include "framework/Handles.h"
#include "framework/Text.h"

namespace {

constexpr DWORD kMagic = 0x56504753;  // "VPGS"

// The section's layout. sequence is odd while the state is being written, clipboardSequence while
// the clipboard is. Pages of the clipboard's room that are never written take no memory.
struct Shared {
    DWORD magic;
    volatile LONG sequence;
    GuardState state;
    volatile LONG clipboardSequence;
    DWORD clipboardSize;
    unsigned char clipboard[guard_channel::kClipboardBytes];
};

vp::CriticalSection g_lock;
HANDLE g_section = nullptr;   // kept for the whole run
Shared* g_view = nullptr;
GuardState g_current;
bool g_handedOver = false;

void WriteLocked() noexcept {
    if (!g_view) return;
    ::InterlockedIncrement(&g_view->sequence);
    g_view->state = g_current;
    ::InterlockedIncrement(&g_view->sequence);
}

// A section of the layout, made without a name, that a process this one starts may inherit, and its
// view; false with neither when it cannot be had.
bool MakeSection(HANDLE& section, Shared*& view) noexcept {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(Shared), nullptr);
    view = section ? static_cast<Shared*>(::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(Shared))) : nullptr;
    if (!view && section) {
        ::CloseHandle(section);
        section = nullptr;
    }
    if (view) view->magic = kMagic;
    return view != nullptr;
}

template <class Change>
void Tell(Change change) noexcept {
    vp::LockGuard lock(g_lock);
    change(g_current);
    WriteLocked();
}

}  // namespace

namespace guard_channel {

bool Open(const GuardState& initial, bool handedOver) noexcept {
    vp::LockGuard lock(g_lock);
    g_current = initial;
    g_handedOver = handedOver;
    if (!g_section && !MakeSection(g_section, g_view)) return false;
    WriteLocked();
    return true;
}

HANDLE HandOver(const GuardState& state) noexcept {
    HANDLE section = nullptr;
    Shared* view = nullptr;
    if (!MakeSection(section, view)) return nullptr;
    view->state = state;
    ::UnmapViewOfFile(view);
    return section;
}

HANDLE Section() noexcept { return g_section; }
bool HandedOver() noexcept { return g_handedOver; }

GuardState Current() noexcept {
    vp::LockGuard lock(g_lock);
    return g_current;
}

GuardState CurrentWithoutLock() noexcept { return g_current; }

void TellShowing(bool virtualShowing) noexcept {
    Tell([&](GuardState& s) { s.virtualShowing = virtualShowing; });
}

void TellRestorePassword(bool guarded, const wchar_t* record) noexcept {
    Tell([&](GuardState& s) {
        s.guarded = guarded || s.failClosed;
        vp::CopyTextWhole(s.restoreRecord, guarded && record ? record : L"");
    });
}

void TellFailClosed() noexcept {
    Tell([](GuardState& s) {
        s.failClosed = true;
        s.guarded = true;
    });
}

void TellFailClosedOver() noexcept {
    Tell([](GuardState& s) {
        s.failClosed = false;
        s.guarded = s.restoreRecord[0] != L'\0';
    });
}

void TellLockAsked() noexcept {
    Tell([](GuardState& s) { s.lockAsked = true; });
}

void TellPromptShowing(bool showing) noexcept {
    Tell([&](GuardState& s) { s.promptShowing = showing; });
}

void TellFailedInARow(DWORD count) noexcept {
    Tell([&](GuardState& s) { s.failedInARow = count; });
}

bool TellClipboard(const unsigned char* bytes, size_t size) noexcept {
    vp::LockGuard lock(g_lock);
    if (!g_view) return false;
    const bool fits = size <= kClipboardBytes;
    ::InterlockedIncrement(&g_view->clipboardSequence);
    ::SecureZeroMemory(g_view->clipboard, g_view->clipboardSize);  // what was held before
    g_view->clipboardSize = 0;
    if (bytes && size > 0 && fits) {
        memcpy(g_view->clipboard, bytes, size);
        g_view->clipboardSize = static_cast<DWORD>(size);
    }
    ::InterlockedIncrement(&g_view->clipboardSequence);
    return fits;
}

std::vector<unsigned char> ReadClipboard(HANDLE section) {
    std::vector<unsigned char> bytes;
    if (!section) return bytes;
    auto* view = static_cast<const Shared*>(::MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(Shared)));
    if (!view) return bytes;
    MEMORY_BASIC_INFORMATION info{};
    const LONG before = view->clipboardSequence;
    const DWORD size = view->clipboardSize;
    if (::VirtualQuery(view, &info, sizeof(info)) && info.RegionSize >= sizeof(Shared) && view->magic == kMagic &&
        (before & 1) == 0 && size <= kClipboardBytes) {
        bytes.assign(view->clipboard, view->clipboard + size);
        if (view->clipboardSequence != before) bytes.clear();  // still being told: nothing whole
    }
    ::UnmapViewOfFile(view);
    return bytes;
}

bool Read(HANDLE section, GuardState& out) noexcept {
    if (!section) return false;
    MEMORY_BASIC_INFORMATION info{};
    auto* view = static_cast<const Shared*>(::MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(Shared)));
    if (!view) return false;
    const bool whole = ::VirtualQuery(view, &info, sizeof(info)) && info.RegionSize >= sizeof(Shared) &&
                       view->magic == kMagic;
    if (whole) {
        const LONG before = view->sequence;
        out = view->state;
        out.restoreRecord[vp::kPasswordRecordUnits - 1] = L'\0';
        if ((before & 1) != 0 || view->sequence != before) {
            // Ended halfway through a change: nothing in it is to be trusted to open the way back.
            out.virtualShowing = true;
            out.guarded = true;
            out.failClosed = out.restoreRecord[0] == L'\0';
        }
    }
    ::UnmapViewOfFile(view);
    return whole;
}

}  // namespace guard_channel
