#pragma once
// One root key and one key path; every operation opens the key, works and closes it again. Writes
// create a missing path level by level. Results are Win32 error codes (0 = success).
#include <windows.h>

class CRegistryStore {
public:
    static constexpr int kMaxSegments = 10;
    static constexpr size_t kPathUnits = 260;

    CRegistryStore() noexcept = default;
    explicit CRegistryStore(HKEY root) noexcept : m_root(root) {}

    void SetRoot(HKEY root) noexcept { m_root = root; }
    // A path of more than 259 characters or more than 10 segments is refused: the store then has no
    // path, and every operation answers ERROR_PATH_NOT_FOUND rather than touching another key.
    void SetPath(const wchar_t* path) noexcept;

    LONG ReadDword(const wchar_t* name, DWORD* value) const noexcept;
    // size: in, the buffer size in units; out, the units read including the terminator (0 on failure).
    LONG ReadString(const wchar_t* name, wchar_t* buffer, DWORD* size) const noexcept;
    template <size_t N>
    LONG ReadString(const wchar_t* name, wchar_t (&buffer)[N]) const noexcept {
        DWORD size = static_cast<DWORD>(N);
        const LONG r = ReadString(name, buffer, &size);
        if (r != ERROR_SUCCESS) buffer[0] = L'\0';
        return r;
    }
    LONG WriteDword(const wchar_t* name, DWORD value) const noexcept;
    LONG WriteString(const wchar_t* name, const wchar_t* text) const noexcept;
    LONG DeleteValue(const wchar_t* name) const noexcept;
    // Opens the key for writing, creating missing levels as a write does; the caller closes it.
    LONG OpenForWrite(HKEY* key) const noexcept;

private:
    wchar_t m_szPath[kPathUnits] = {};
    wchar_t m_szSegments[kPathUnits] = {};
    const wchar_t* m_segments[kMaxSegments] = {};
    int m_nSegments = 0;
    HKEY m_root = HKEY_CURRENT_USER;
};
