#include "actions/CleanupActions.h"

#include <shlobj.h>

#include <cwchar>

#include "actions/UndoRecord.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "settings/ProgramKeys.h"

namespace {

// Spelled out here so the program does not depend on which import library carries them.
constexpr CLSID kClsidMMDeviceEnumerator = {0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
constexpr IID kIidMMDeviceEnumerator = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
constexpr IID kIidMMNotificationClient = {0x7991EEC9, 0x7E89, 0x4D85, {0x83, 0x90, 0x6C, 0x70, 0x3C, 0xEC, 0x60, 0xC0}};
constexpr IID kIidAudioEndpointVolume = {0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
constexpr CLSID kClsidUrlHistory = {0x3C374A40, 0xBAE4, 0x11CF, {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
constexpr IID kIidUrlHistoryStg2 = {0xAFA0DC11, 0xC313, 0x11D0, {0x83, 0x1A, 0x00, 0xC0, 0x4F, 0xD5, 0xAE, 0x38}};

constexpr wchar_t kJumpListFolder[] = L"Microsoft\\Windows\\Recent\\AutomaticDestinations";

}  // namespace

// ---- the endpoint volume --------------------------------------------------------------------------

CEndpointMute::~CEndpointMute() { Reset(); }

void CEndpointMute::SetChangeNotice(ChangeNotice notice, void* context) noexcept {
    m_notice.store(nullptr);
    m_noticeContext.store(context);
    m_notice.store(notice);
}

bool CEndpointMute::Prepare() {
    if (m_deviceChanged.exchange(false)) m_volume.Reset();
    if (m_volume) return true;
    if (!m_enumerator) {
        if (FAILED(::CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_ALL, kIidMMDeviceEnumerator,
                                      m_enumerator.PutVoid()))) {
            return false;
        }
        m_watching = SUCCEEDED(m_enumerator->RegisterEndpointNotificationCallback(this));
    }
    vp::ComPtr<IMMDevice> device;
    if (FAILED(m_enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, device.Put()))) return false;
    return SUCCEEDED(device->Activate(kIidAudioEndpointVolume, CLSCTX_ALL, nullptr, m_volume.PutVoid()));
}

bool CEndpointMute::SetMute(BOOL value) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!Prepare()) return false;
        if (SUCCEEDED(m_volume->SetMute(value, nullptr))) return true;
        m_volume.Reset();  // the device went away or the object broke: the next attempt gets it again
    }
    return false;
}

void CEndpointMute::Reset() noexcept {
    m_volume.Reset();
    if (m_enumerator && m_watching) m_enumerator->UnregisterEndpointNotificationCallback(this);
    m_watching = false;
    m_enumerator.Reset();
}

HRESULT CEndpointMute::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIidMMNotificationClient)) {
        *out = static_cast<IMMNotificationClient*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CEndpointMute::OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR) {
    if (flow != eRender || role != eMultimedia) return S_OK;
    m_deviceChanged.store(true);
    if (const ChangeNotice notice = m_notice.load()) notice(m_noticeContext.load());
    return S_OK;
}

// ---- the history store ----------------------------------------------------------------------------

bool CHistoryStore::Prepare() {
    if (m_store) return true;
    return SUCCEEDED(::CoCreateInstance(kClsidUrlHistory, nullptr, CLSCTX_INPROC_SERVER, kIidUrlHistoryStg2,
                                        m_store.PutVoid()));
}

bool CHistoryStore::Clear() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!Prepare()) return false;
        const HRESULT hr = m_store->ClearHistory();
        if (SUCCEEDED(hr)) return true;
        if (hr == E_NOTIMPL) return false;
        m_store.Reset();
    }
    return false;
}

// ---- registry keys --------------------------------------------------------------------------------

void CHeldKey::Prepare() noexcept {
    if (!m_key) Open(false);
}

LONG CHeldKey::Open(bool create) noexcept {
    if (!create) return ::RegOpenKeyExW(HKEY_CURRENT_USER, m_path, 0, KEY_WRITE, m_key.Put());
    CRegistryStore store;
    store.SetPath(m_path);
    return store.OpenForWrite(m_key.Put());
}

LONG DeleteTypedUrls(HKEY key) noexcept {
    for (unsigned n = 1;; ++n) {
        wchar_t name[16];
        vp::FormatText(name, L"url%u", n);
        const LONG r = ::RegDeleteValueW(key, name);
        if (r == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (r != ERROR_SUCCESS) return r;
    }
}

// ---- the actions -----------------------------------------------------------------------------------

DWORD OsMajorVersion() noexcept {
    static const DWORD major = [] {
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        return ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) ? info.dwMajorVersion : 0ul;
#pragma GCC diagnostic pop
    }();
    return major;
}

void CMuteAction::Prepare(const CSettingsData& s) {
    const bool com = m_com.Enter();
    if (!s.mute) {
        m_endpoint.Reset();
    } else if (m_osMajor == 5) {
        m_mixer.Init(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, kNoSourceLine);
    } else if (m_osMajor >= 6 && com) {
        m_endpoint.Prepare();
    }
}

void CMuteAction::Before(const CSettingsData& s) {
    if (!s.mute) return;
    if (m_osMajor == 5) {
        m_mixer.Init(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, kNoSourceLine);
        m_mixer.SetValue(1);
    } else if (m_osMajor >= 6 && m_com.Enter()) {
        m_endpoint.SetMute(1);
    }
}

void CMonitorOffAction::Before(const CSettingsData& s) {
    // Posted, never sent: a broadcast that waits for every top-level window would let one hung
    // program hold the switch, and the user's work, on screen.
    if (s.monitorOff) ::PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
}

void CHistoryAction::Prepare(const CSettingsData& s) {
    if (!s.clearIEHistory) m_history.Reset();
    else if (m_com.Enter()) m_history.Prepare();
}

void CHistoryAction::Before(const CSettingsData& s) {
    if (s.clearIEHistory && m_com.Enter()) m_history.Clear();
}

void CTypedUrlsAction::Prepare(const CSettingsData& s) {
    if (!s.clearTypedUrls) m_key.Reset();
    else m_key.Prepare();
}

void CTypedUrlsAction::Before(const CSettingsData& s) {
    if (s.clearTypedUrls) m_key.Use(DeleteTypedUrls);
}

void CRecentDocsAction::Before(const CSettingsData& s) {
    if (!s.clearRecentDocs) return;
    ::SHAddToRecentDocs(SHARD_PATHW, nullptr);
    if (m_osMajor <= 5) return;

    wchar_t appData[MAX_PATH + 1];
    const DWORD n = ::GetEnvironmentVariableW(L"AppData", appData, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return;  // unset, or too long to name a folder we could build paths in
    wchar_t pattern[MAX_PATH + 1];
    if (!vp::FormatText(pattern, L"%ls\\%ls\\*", appData, kJumpListFolder)) return;

    WIN32_FIND_DATAW found;
    vp::FindHandle find(::FindFirstFileW(pattern, &found));
    if (!find) return;
    do {
        wchar_t file[MAX_PATH + 1];
        // A name whose full path does not fit is skipped, never cut into another file's name.
        if (vp::FormatText(file, L"%ls\\%ls\\%ls", appData, kJumpListFolder, found.cFileName)) {
            ::DeleteFileW(file);
        }
    } while (::FindNextFileW(find.Get(), &found));
}

CTaskManagerAction::CTaskManagerAction() noexcept : m_policy(undo_record::kPolicyKey) {}

void CTaskManagerAction::Prepare(const CSettingsData& s) {
    if (!s.disableTaskMgr) m_policy.Reset();
    else m_policy.Prepare();
}

void CTaskManagerAction::Before(const CSettingsData& s) {
    if (!s.disableTaskMgr) return;
    m_policy.Use([](HKEY key) {
        return undo_record::DisableTaskManagerIn(key, HKEY_CURRENT_USER, g_ProgramKeys.settings);
    });
}

void CTaskManagerAction::Undo() { undo_record::Undo(HKEY_CURRENT_USER, g_ProgramKeys.settings); }
