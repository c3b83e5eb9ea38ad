#include "update/UpdatePrompt.h"

#include <shellapi.h>

#include <atomic>
#include <iterator>

#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "update/UpdateReply.h"

namespace {

constexpr wchar_t kCaption[] = L"New Veilpane version available";
constexpr wchar_t kOfferFormat[] =
    L"A new version of Veilpane, Veilpane %ls, is available. Would you like to download and upgrade now?"
    L"\n\nThe download comes from %ls.";

// The address is checked again where it is used: the value may have been written by an older build,
// which took any web address, or by anything else that can write to the user's registry. Gives the
// host the download comes from.
bool IsOwnDownloadPage(const wchar_t* url, wchar_t (&host)[update_reply::kHostBytes]) noexcept {
    host[0] = L'\0';
    char utf8[260 * 3 + 1];
    if (::WideCharToMultiByte(CP_UTF8, 0, url, -1, utf8, sizeof(utf8), nullptr, nullptr) <= 0) return false;
    if (!update_reply::IsOwnDownloadUrl(utf8, product::kDownloadHosts)) return false;
    char narrow[update_reply::kHostBytes];
    update_reply::UrlHost(utf8, narrow);
    // A safe address is plain ASCII, so its host converts unit for unit.
    return ::MultiByteToWideChar(CP_UTF8, 0, narrow, -1, host, static_cast<int>(std::size(host))) > 0 && host[0];
}

// The box is modal on the ui thread, whose loop keeps running under it: a second request to show
// the window must not open a second box over the first.
std::atomic<bool> g_offerOpen{false};

}  // namespace

void ShowUpdateOffer(HWND owner, CRegistryStore& store) {
    DWORD showed = 0;
    if (store.ReadDword(product::kUpdateShowedValue, &showed) != ERROR_SUCCESS) showed = 0;
    if (showed != 0) return;

    // Only a build newer than this one: the record may be older than an upgrade, or written by
    // something else; a revision above the signed range was a negative number on the wire.
    DWORD revision = 0;
    if (store.ReadDword(product::kUpdateRevisionValue, &revision) != ERROR_SUCCESS ||
        revision <= static_cast<DWORD>(product::kBuild) || revision > 0x7FFFFFFF) {
        return;
    }

    // A version longer than 19 characters does not fit and is not offered.
    wchar_t version[20];
    if (store.ReadString(product::kUpdateVersionValue, version) != ERROR_SUCCESS) return;
    wchar_t url[260];
    if (store.ReadString(product::kUpdateUrlValue, url) != ERROR_SUCCESS) return;
    wchar_t host[update_reply::kHostBytes];
    if (!IsOwnDownloadPage(url, host)) return;

    wchar_t text[480];
    if (!vp::FormatText(text, kOfferFormat, version, host)) return;
    if (g_offerOpen.exchange(true)) return;
    // Offered once, whatever the answer; marked before the box opens, so a newer build that the check
    // records while the box is open re-arms the offer instead of being marked as shown.
    store.WriteDword(product::kUpdateShowedValue, 1);
    const int answer = ::MessageBoxW(owner, text, kCaption, MB_ICONINFORMATION | MB_YESNO);
    g_offerOpen = false;
    if (answer == IDYES) ::ShellExecuteW(nullptr, L"open", url, nullptr, nullptr, SW_SHOWNORMAL);
}
