// The check thread's update check: ask the server, read its reply, record a newer build.
#include <windows.h>

#include "actions/SystemActions.h"
#include "framework/Product.h"
#include "settings/ProgramKeys.h"
#include "update/HttpGet.h"
#include "update/UpdateReply.h"

namespace {

// The whole text or nothing: the fields were sized for their texts, so a failure means a fault.
template <size_t N>
bool Utf8ToWide(const char* text, wchar_t (&out)[N]) noexcept {
    out[0] = L'\0';
    return ::MultiByteToWideChar(CP_UTF8, 0, text, -1, out, static_cast<int>(N)) > 0;
}

}  // namespace

void CSystemActions::CheckForUpdate(const char* host, const char* path, BOOL evaluate) {
    CheckForUpdate(host, path, evaluate, kHttpDeadlineMs);
}

void CSystemActions::CheckForUpdate(const char* host, const char* path, BOOL evaluate, unsigned deadlineMs) {
    // Switched off means switched off: the request carries a machine identifier, so none goes out.
    if (!evaluate) return;
    char reply[kHttpReplyBytes];
    const int received = HttpGet(host, path, reply, deadlineMs);
    if (received <= 0) return;
    update_reply::BlankLineBreaks(reply, static_cast<size_t>(received));

    update_reply::Fields fields;
    {
        vp::LockGuard lock(m_csMatcher);
        const auto verdict = update_reply::Evaluate(m_matcher, reply, static_cast<uint32_t>(product::kBuild), fields);
        if (verdict != update_reply::Verdict::Offer) return;
    }

    vp::LockGuard lock(m_csStore);
    m_store.SetPath(g_ProgramKeys.settings);
    DWORD recorded = 0;
    // A revision above the signed range was written from a negative one by an older build; it stands
    // for no genuine build and must not hide the ones that come.
    if (m_store.ReadDword(product::kUpdateRevisionValue, &recorded) != ERROR_SUCCESS || recorded > 0x7FFFFFFF) recorded = 0;
    if (fields.revision <= recorded) return;

    wchar_t version[update_reply::kVersionBytes];
    wchar_t url[update_reply::kUrlBytes];
    if (!Utf8ToWide(fields.version, version) || !Utf8ToWide(fields.url, url)) return;

    // The revision goes in after the texts it stands for, and the offer is re-armed last.
    m_store.WriteString(product::kUpdateVersionValue, version);
    m_store.WriteString(product::kUpdateUrlValue, url);
    m_store.WriteDword(product::kUpdateRevisionValue, fields.revision);
    m_store.WriteDword(product::kUpdateShowedValue, 0);
}
