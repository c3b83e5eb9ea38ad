#pragma once
// Handles that own themselves: one move-only wrapper, with a traits type per kind of handle.
#include <windows.h>
#include <utility>

namespace vp {

template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type h) noexcept : m_h(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Type Get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return Traits::IsValid(m_h); }
    Type Release() noexcept { return std::exchange(m_h, Traits::Invalid()); }
    void Reset(Type h = Traits::Invalid()) noexcept {
        if (Traits::IsValid(m_h)) Traits::Close(m_h);
        m_h = h;
    }
    // For out-parameters of API calls: closes what is held and hands out the slot.
    Type* Put() noexcept { Reset(); return &m_h; }

private:
    Type m_h = Traits::Invalid();
};

template <class T, auto CloseFn>
struct NullInvalidTraits {
    using Type = T;
    static constexpr T Invalid() noexcept { return nullptr; }
    static bool IsValid(T h) noexcept { return h != nullptr; }
    static void Close(T h) noexcept { CloseFn(h); }
};

struct FileHandleTraits {  // CreateFile, CreateToolhelp32Snapshot: INVALID_HANDLE_VALUE means none
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};

inline void CloseGdiObject(HGDIOBJ h) noexcept { ::DeleteObject(h); }

using KernelHandle = UniqueHandle<NullInvalidTraits<HANDLE, ::CloseHandle>>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKeyHandle = UniqueHandle<NullInvalidTraits<HKEY, ::RegCloseKey>>;
using DesktopHandle = UniqueHandle<NullInvalidTraits<HDESK, ::CloseDesktop>>;
using HookHandle = UniqueHandle<NullInvalidTraits<HHOOK, ::UnhookWindowsHookEx>>;
using BitmapHandle = UniqueHandle<NullInvalidTraits<HBITMAP, CloseGdiObject>>;
using FontHandle = UniqueHandle<NullInvalidTraits<HFONT, CloseGdiObject>>;
using BrushHandle = UniqueHandle<NullInvalidTraits<HBRUSH, CloseGdiObject>>;
using PenHandle = UniqueHandle<NullInvalidTraits<HPEN, CloseGdiObject>>;
using RegionHandle = UniqueHandle<NullInvalidTraits<HRGN, CloseGdiObject>>;
using MemoryDcHandle = UniqueHandle<NullInvalidTraits<HDC, ::DeleteDC>>;
using MenuHandle = UniqueHandle<NullInvalidTraits<HMENU, ::DestroyMenu>>;
using IconHandle = UniqueHandle<NullInvalidTraits<HICON, ::DestroyIcon>>;

// A DC obtained with GetDC, released with its window.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~WindowDc() { if (m_hdc) ::ReleaseDC(m_hwnd, m_hdc); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return m_hdc; }
    explicit operator bool() const noexcept { return m_hdc != nullptr; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// Puts the previous GDI object back into the DC when it goes out of scope.
class SelectGuard {
public:
    SelectGuard(HDC hdc, HGDIOBJ obj) noexcept : m_hdc(hdc), m_old(obj ? ::SelectObject(hdc, obj) : nullptr) {}
    ~SelectGuard() { if (m_old) ::SelectObject(m_hdc, m_old); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// Holds a critical section for the life of the scope.
class CriticalSection {
public:
    CriticalSection() noexcept { ::InitializeCriticalSection(&m_cs); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() noexcept { ::EnterCriticalSection(&m_cs); }
    void Leave() noexcept { ::LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class LockGuard {
public:
    explicit LockGuard(CriticalSection& cs) noexcept : m_cs(cs) { m_cs.Enter(); }
    ~LockGuard() { m_cs.Leave(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CriticalSection& m_cs;
};

}  // namespace vp
