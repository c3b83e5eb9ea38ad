// The check thread's update check: ask the server, read its reply, record a newer build.
#include "update/CheckForUpdate.h"

#include <cwchar>

#include "framework/Product.h"
#include "framework/RegexMatcher.h"
#include "framework/RegistryStore.h"
#include "framework/Trace.h"
#include "settings/ProgramKeys.h"
#include "update/UpdateReply.h"

namespace {

// The whole text or nothing: the fields were sized for their texts, so a failure means a fault.
template <size_t N>
bool Utf8ToWide(const char* text, wchar_t (&out)[N]) noexcept {
    out[0] = L'\0';
    return ::MultiByteToWideChar(CP_UTF8, 0, text, -1, out, static_cast<int>(N)) > 0;
}

// Forgets a recorded build: the server said nothing newer than this build exists.
void ClearUpdateRecord(CRegistryStore& store) {
    // The revision first: without it the offer is not shown, whatever texts are left.
    store.DeleteValue(product::kUpdateRevisionValue);
    store.DeleteValue(product::kUpdateVersionValue);
    store.DeleteValue(product::kUpdateUrlValue);
}

}  // namespace

void CheckForUpdate(const char* host, const char* path, BOOL evaluate, unsigned deadlineMs) {
    // Switched off means switched off: the request carries a machine identifier, so none goes out.
    if (!evaluate) return;
    char reply[kHttpReplyBytes];
    const int received = HttpGet(host, path, reply, deadlineMs);
    if (received <= 0) return;
    update_reply::BlankLineBreaks(reply, static_cast<size_t>(received));

    update_reply::Fields fields;
    CRegexMatcher matcher;
    const update_reply::Verdict verdict =
        update_reply::Evaluate(matcher, reply, static_cast<uint32_t>(product::kBuild), product::kDownloadHosts, fields);
    CRegistryStore store;  // root HKEY_CURRENT_USER
    store.SetPath(g_ProgramKeys.settings);
    if (verdict == update_reply::Verdict::Current) {
        ClearUpdateRecord(store);
        return;
    }
    if (verdict == update_reply::Verdict::UnsafeUrl || verdict == update_reply::Verdict::NotOwnPage) {
        // Said without the address: the trace never carries one.
        vp::Trace(L"update check: the reply's download address is not the program's own page; nothing recorded");
        return;
    }
    if (verdict != update_reply::Verdict::Offer) return;

    wchar_t version[update_reply::kVersionBytes];
    wchar_t url[update_reply::kUrlBytes];
    if (!Utf8ToWide(fields.version, version) || !Utf8ToWide(fields.url, url)) return;

    // Each reply replaces the record, lower revisions too: a record is only as good as the last word
    // of the server, and one forged reply must not hide every genuine build after it. The same build
    // found again changes nothing, so an offer already seen in this run is not shown again.
    DWORD recorded = 0;
    wchar_t recordedVersion[update_reply::kVersionBytes];
    wchar_t recordedUrl[update_reply::kUrlBytes];
    if (store.ReadDword(product::kUpdateRevisionValue, &recorded) == ERROR_SUCCESS && recorded == fields.revision &&
        store.ReadString(product::kUpdateVersionValue, recordedVersion) == ERROR_SUCCESS &&
        store.ReadString(product::kUpdateUrlValue, recordedUrl) == ERROR_SUCCESS &&
        wcscmp(recordedVersion, version) == 0 && wcscmp(recordedUrl, url) == 0) {
        return;
    }

    // The revision goes in after the texts it stands for, and the offer is re-armed last.
    store.WriteString(product::kUpdateVersionValue, version);
    store.WriteString(product::kUpdateUrlValue, url);
    store.WriteDword(product::kUpdateRevisionValue, fields.revision);
    store.WriteDword(product::kUpdateShowedValue, 0);
}
