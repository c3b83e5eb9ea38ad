#include "update/UpdatePrompt.h"

#include <shellapi.h>

#include "framework/Text.h"
#include "settings/RegistryStore.h"
#include "update/UpdateReply.h"

namespace {

constexpr wchar_t kCaption[] = L"New Veilpane version available";
constexpr wchar_t kOfferFormat[] =
    L"A new version of Veilpane, Veilpane %ls, is available. Would you like to download and upgrade now?";

// The address is checked again where it is used: the value may have been written by an older build,
// or by anything else that can write to the user's registry.
bool IsSafeAddress(const wchar_t* url) noexcept {
    char utf8[260 * 3 + 1];
    if (::WideCharToMultiByte(CP_UTF8, 0, url, -1, utf8, sizeof(utf8), nullptr, nullptr) <= 0) return false;
    return update_reply::IsSafeUpdateUrl(utf8);
}

}  // namespace

void ShowUpdateOffer(HWND owner, CRegistryStore& store) {
    DWORD showed = 0;
    if (store.ReadDword(L"UPDATE_SHOWED", &showed) != ERROR_SUCCESS) showed = 0;
    if (showed != 0) return;

    // A version longer than 19 characters does not fit and is not offered.
    wchar_t version[20];
    if (store.ReadString(L"UPDATE_VERSION", version) != ERROR_SUCCESS) return;
    wchar_t url[260];
    if (store.ReadString(L"UPDATE_URL", url) != ERROR_SUCCESS) return;
    if (!IsSafeAddress(url)) return;

    wchar_t text[160];
    vp::FormatText(text, kOfferFormat, version);
    if (::MessageBoxW(owner, text, kCaption, MB_ICONINFORMATION | MB_YESNO) == IDYES) {
        ::ShellExecuteW(nullptr, L"open", url, nullptr, nullptr, SW_SHOWNORMAL);
    }
    // Whatever the answer: offered once per run.
    store.WriteDword(L"UPDATE_SHOWED", 1);
}
