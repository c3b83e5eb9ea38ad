#include "actions/UndoRecord.h"

#include "framework/Handles.h"

namespace undo_record {

namespace {

// A registry value as it is: present or not, its type and its data. Policy values are a DWORD; a
// value larger than this is not one the program can keep, so it is never replaced.
struct RawValue {
    bool present = false;
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    BYTE data[1024];
};

// False when the value exists but cannot be read whole.
bool ReadRaw(HKEY key, const wchar_t* name, RawValue& out) noexcept {
    out.present = false;
    out.bytes = sizeof(out.data);
    const LONG r = ::RegQueryValueExW(key, name, nullptr, &out.type, out.data, &out.bytes);
    if (r == ERROR_FILE_NOT_FOUND) return true;
    if (r != ERROR_SUCCESS) return false;
    out.present = true;
    return true;
}

bool WriteRaw(HKEY key, const wchar_t* name, const RawValue& value) noexcept {
    if (!value.present) {
        const LONG r = ::RegDeleteValueW(key, name);
        return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
    }
    return ::RegSetValueExW(key, name, 0, value.type, value.data, value.bytes) == ERROR_SUCCESS;
}

bool ReadFlag(HKEY key, const wchar_t* name = kInForceValue) noexcept {
    DWORD type = 0, value = 0, bytes = sizeof(value);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) !=
        ERROR_SUCCESS) {
        return false;
    }
    return type == REG_DWORD && bytes == sizeof(value) && value != 0;
}

bool IsProgramsValue(const RawValue& v) noexcept {
    DWORD value = 0;
    if (!v.present || v.type != REG_DWORD || v.bytes != sizeof(value)) return false;
    memcpy(&value, v.data, sizeof(value));
    return value == 1;
}

LONG CreateKey(HKEY root, const wchar_t* path, vp::RegKeyHandle& key) noexcept {
    return ::RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Put(), nullptr);
}

}  // namespace

bool DisableTaskManager(HKEY root, const wchar_t* ownKey) noexcept {
    vp::RegKeyHandle policy;
    if (CreateKey(root, kPolicyKey, policy) != ERROR_SUCCESS) return false;
    return DisableTaskManagerIn(policy.Get(), root, ownKey) == ERROR_SUCCESS;
}

LONG DisableTaskManagerIn(HKEY policyForWrite, HKEY root, const wchar_t* ownKey) noexcept {
    vp::RegKeyHandle own;
    if (const LONG r = CreateKey(root, ownKey, own); r != ERROR_SUCCESS) return r;

    RawValue before;
    vp::RegKeyHandle query;
    const LONG opened = ::RegOpenKeyExW(root, kPolicyKey, 0, KEY_QUERY_VALUE, query.Put());
    if (opened == ERROR_SUCCESS) {
        if (!ReadRaw(query.Get(), kPolicyValue, before)) return ERROR_INVALID_DATA;
    } else if (opened != ERROR_FILE_NOT_FOUND) {
        return opened;
    }
    // A record in force whose change is still there keeps the state from before it; a value someone
    // else set since is the state to give back now.
    if (!ReadFlag(own.Get()) || !IsProgramsValue(before)) {
        // What was there first, then the flag: a flag is never found without its state.
        if (!WriteRaw(own.Get(), kBeforeValue, before)) return ERROR_WRITE_FAULT;
        const DWORD inForce = 1;
        if (const LONG r = ::RegSetValueExW(own.Get(), kInForceValue, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&inForce), sizeof(inForce));
            r != ERROR_SUCCESS) {
            return r;
        }
    }
    const DWORD disabled = 1;
    return ::RegSetValueExW(policyForWrite, kPolicyValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&disabled),
                            sizeof(disabled));
}

bool Undo(HKEY root, const wchar_t* ownKey) noexcept {
    vp::RegKeyHandle own;
    if (::RegOpenKeyExW(root, ownKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, own.Put()) != ERROR_SUCCESS) return false;
    if (!ReadFlag(own.Get())) {
        // A state written without its flag belongs to a change that was never made.
        ::RegDeleteValueW(own.Get(), kBeforeValue);
        return false;
    }

    RawValue before;
    // Only a record changed by hand cannot be read; Task Manager is given back rather than kept off.
    if (!ReadRaw(own.Get(), kBeforeValue, before)) before.present = false;
    vp::RegKeyHandle policy;
    LONG r = ::RegOpenKeyExW(root, kPolicyKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, policy.Put());
    if (r == ERROR_SUCCESS) {
        RawValue now;
        if (ReadRaw(policy.Get(), kPolicyValue, now) && IsProgramsValue(now) && !WriteRaw(policy.Get(), kPolicyValue, before)) {
            return true;  // the record stays, so a later undo can try again
        }
    } else if (r != ERROR_FILE_NOT_FOUND) {
        return true;
    }
    // The flag goes first: a state left without its flag is cleared by the next look.
    ::RegDeleteValueW(own.Get(), kInForceValue);
    ::RegDeleteValueW(own.Get(), kBeforeValue);
    return true;
}

bool IsInForce(HKEY root, const wchar_t* ownKey) noexcept {
    vp::RegKeyHandle own;
    if (::RegOpenKeyExW(root, ownKey, 0, KEY_QUERY_VALUE, own.Put()) != ERROR_SUCCESS) return false;
    return ReadFlag(own.Get());
}

bool SetVirtualShowing(HKEY root, const wchar_t* ownKey, bool showing) noexcept {
    vp::RegKeyHandle own;
    if (CreateKey(root, ownKey, own) != ERROR_SUCCESS) return false;
    if (!showing) {
        const LONG r = ::RegDeleteValueW(own.Get(), product::kVirtualShowingValue);
        return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
    }
    const DWORD one = 1;
    return ::RegSetValueExW(own.Get(), product::kVirtualShowingValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                            sizeof(one)) == ERROR_SUCCESS;
}

bool IsVirtualShowing(HKEY root, const wchar_t* ownKey) noexcept {
    vp::RegKeyHandle own;
    if (::RegOpenKeyExW(root, ownKey, 0, KEY_QUERY_VALUE, own.Put()) != ERROR_SUCCESS) return false;
    return ReadFlag(own.Get(), product::kVirtualShowingValue);
}

}  // namespace undo_record
