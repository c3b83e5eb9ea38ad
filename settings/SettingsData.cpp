// The rules the settings share: comparing texts and lists, and the Run value.
#include "settings/SettingsData.h"

#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "settings/ScoopPath.h"

PageValues::~PageValues() {
    for (wchar_t* text : {shown.switchPassword.text, shown.restorePassword.text}) {
        ::SecureZeroMemory(text, sizeof(shown.switchPassword.text));
    }
    ::SecureZeroMemory(switchPasswordConfirm, sizeof(switchPasswordConfirm));
    ::SecureZeroMemory(restorePasswordConfirm, sizeof(restorePasswordConfirm));
}

namespace settings_rules {

bool EqualIgnoringCase(const wchar_t* a, const wchar_t* b) noexcept {
    return ::CompareStringOrdinal(a ? a : L"", -1, b ? b : L"", -1, TRUE) == CSTR_EQUAL;
}

bool ProcessListChanged(const ProcessList& record, const ProcessList& page) noexcept {
    if ((record.on != 0) != (page.on != 0) || record.names.size() != page.names.size()) return true;
    for (size_t i = 0; i < record.names.size(); ++i) {
        if (!EqualIgnoringCase(record.names[i].c_str(), page.names[i].c_str())) return true;
    }
    return false;
}

void UpdateRunValue(const wchar_t* runKey, const wchar_t* exePath) {
    CRegistryStore run;
    run.SetPath(runKey);
    if (!exePath) {
        run.DeleteValue(product::kName);
        return;
    }
    // An empty path would only make Windows start nothing at log-on.
    if (exePath[0] == L'\0') return;
    // Started from a scoop install: the app's "current" folder outlives the next update, where this
    // version's folder does not. Only when it holds the program, so no other install is sent nowhere.
    wchar_t scoopCurrent[MAX_PATH];
    if (ScoopCurrentPath(exePath, scoopCurrent) && ::GetFileAttributesW(scoopCurrent) != INVALID_FILE_ATTRIBUTES) {
        exePath = scoopCurrent;
    }
    // Quoted, so a path with blanks starts this program and not one planted at its first blank. A
    // path too long for the quotes is not written cut: that would start something else.
    wchar_t command[MAX_PATH + 4];
    if (!vp::FormatText(command, L"\"%ls\"", exePath)) return;
    wchar_t current[MAX_PATH + 4];
    // An older unquoted value of this path is the same setting, written again the safe way.
    const bool same = run.ReadString(product::kName, current) == ERROR_SUCCESS && EqualIgnoringCase(current, command);
    if (!same) run.WriteString(product::kName, command);
}

}  // namespace settings_rules
