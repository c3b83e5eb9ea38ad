#include "framework/RegistryStore.h"

#include "framework/Handles.h"
#include "framework/Text.h"

void CRegistryStore::SetPath(const wchar_t* path) noexcept {
    m_nSegments = 0;
    m_szPath[0] = m_szSegments[0] = L'\0';
    if (!path || !vp::CopyText(m_szPath, path)) {
        m_szPath[0] = L'\0';
        return;
    }
    size_t len = wcslen(m_szPath);
    if (len > 0 && m_szPath[len - 1] == L'\\') m_szPath[--len] = L'\0';
    vp::CopyText(m_szSegments, m_szPath);

    const wchar_t* segments[kMaxSegments] = {m_szSegments};
    int count = 1;
    for (size_t i = 0; i < len; ++i) {
        if (m_szSegments[i] != L'\\') continue;
        if (count == kMaxSegments) {  // an eleventh segment: refuse the whole path
            m_szPath[0] = m_szSegments[0] = L'\0';
            return;
        }
        m_szSegments[i] = L'\0';
        segments[count++] = &m_szSegments[i + 1];
    }
    for (int i = 0; i < count; ++i) m_segments[i] = segments[i];
    m_nSegments = count;
}

LONG CRegistryStore::ReadDword(const wchar_t* name, DWORD* value) const noexcept {
    if (m_nSegments == 0) return ERROR_PATH_NOT_FOUND;
    vp::RegKeyHandle key;
    LONG r = ::RegOpenKeyExW(m_root, m_szPath, 0, KEY_READ, key.Put());
    if (r != ERROR_SUCCESS) return r;
    // The type is asked first, so a value of the wrong type answers ERROR_INVALID_DATA whatever its
    // size, and never lands in the target.
    DWORD type = 0, data = 0, bytes = 0;
    r = ::RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &bytes);
    if (r != ERROR_SUCCESS) return r;
    if (type != REG_DWORD || bytes != sizeof(data)) return ERROR_INVALID_DATA;
    r = ::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes);
    if (r != ERROR_SUCCESS) return r;
    if (type != REG_DWORD || bytes != sizeof(data)) return ERROR_INVALID_DATA;
    *value = data;
    return ERROR_SUCCESS;
}

LONG CRegistryStore::ReadString(const wchar_t* name, wchar_t* buffer, DWORD* size) const noexcept {
    if (m_nSegments == 0) return ERROR_PATH_NOT_FOUND;
    const DWORD units = *size;
    *size = 0;
    vp::RegKeyHandle key;
    LONG r = ::RegOpenKeyExW(m_root, m_szPath, 0, KEY_READ, key.Put());
    if (r != ERROR_SUCCESS) return r;
    DWORD type = 0, bytes = units * sizeof(wchar_t);
    r = ::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    if (r != ERROR_SUCCESS) return r;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    if (bytes == 0) {
        if (units > 0) buffer[0] = L'\0';
        *size = 1;
        return ERROR_SUCCESS;
    }
    const DWORD read = bytes / sizeof(wchar_t);
    if (bytes % sizeof(wchar_t) != 0 || buffer[read - 1] != L'\0') return ERROR_INVALID_DATA;
    *size = read;
    return ERROR_SUCCESS;
}

LONG CRegistryStore::OpenForWrite(HKEY* out) const noexcept {
    *out = nullptr;
    if (m_nSegments == 0) return ERROR_PATH_NOT_FOUND;
    if (::RegOpenKeyExW(m_root, m_szPath, 0, KEY_WRITE, out) == ERROR_SUCCESS) return ERROR_SUCCESS;

    vp::RegKeyHandle current;
    LONG r = ::RegOpenKeyExW(m_root, m_segments[0], 0, KEY_WRITE, current.Put());
    if (r != ERROR_SUCCESS) return r;
    for (int i = 1; i < m_nSegments; ++i) {
        vp::RegKeyHandle next;
        if (::RegOpenKeyExW(current.Get(), m_segments[i], 0, KEY_WRITE, next.Put()) != ERROR_SUCCESS) {
            r = ::RegCreateKeyExW(current.Get(), m_segments[i], 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                  nullptr, next.Put(), nullptr);
            if (r != ERROR_SUCCESS) return r;
        }
        current = std::move(next);
    }
    return ::RegOpenKeyExW(m_root, m_szPath, 0, KEY_WRITE, out);
}

LONG CRegistryStore::WriteDword(const wchar_t* name, DWORD value) const noexcept {
    vp::RegKeyHandle key;
    LONG r = OpenForWrite(key.Put());
    if (r != ERROR_SUCCESS) return r;
    return ::RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG CRegistryStore::WriteString(const wchar_t* name, const wchar_t* text) const noexcept {
    vp::RegKeyHandle key;
    LONG r = OpenForWrite(key.Put());
    if (r != ERROR_SUCCESS) return r;
    if (!text) return ERROR_INVALID_DATA;
    const DWORD bytes = static_cast<DWORD>((::lstrlenW(text) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
}

LONG CRegistryStore::DeleteValue(const wchar_t* name) const noexcept {
    vp::RegKeyHandle key;
    LONG r = OpenForWrite(key.Put());
    if (r != ERROR_SUCCESS) return r;
    return ::RegDeleteValueW(key.Get(), name);
}
