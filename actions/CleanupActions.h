#pragma once
// The clean-up actions before a switch, kept ready on the hook thread. Creating the objects they work
// through (the audio endpoint, the history store, the registry keys) costs far more than using them:
// the endpoint enumerator probes the sound system each time it is made. So each action makes them
// when it is turned on (Prepare), and a switch only calls them. An object is made again only after a
// call through it failed, or when the default playback device changed.
#include <windows.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <urlhist.h>

#include <atomic>

#include "actions/MuteControl.h"
#include "actions/SwitchAction.h"
#include "framework/ComPtr.h"
#include "framework/Handles.h"

inline constexpr wchar_t kTypedUrlsKeyPath[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";

// Mutes the default playback endpoint (Core Audio, major version 6 and later) through an endpoint
// volume it keeps, and watches for the default device to change. Lives in one COM apartment: made,
// used and destroyed on one thread, which has entered COM.
class CEndpointMute : private IMMNotificationClient {
public:
    CEndpointMute() noexcept = default;
    ~CEndpointMute();
    CEndpointMute(const CEndpointMute&) = delete;
    CEndpointMute& operator=(const CEndpointMute&) = delete;

    // Called with context when the default playback device changes, so the owner can get the new one
    // ready before the next switch. The call comes on a thread of the audio system.
    using ChangeNotice = void (*)(void* context);
    void SetChangeNotice(ChangeNotice notice, void* context) noexcept;
    // Gets the endpoint volume of the default device, unless it holds one that is still current.
    bool Prepare();
    // Sets the mute; when the call fails, gets the endpoint again and tries once more.
    bool SetMute(BOOL value);
    void Reset() noexcept;
    bool HoldsEndpoint() const noexcept { return static_cast<bool>(m_volume); }

private:
    // IMMNotificationClient: only the change of the default playback device matters here.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }   // a member: lives as long as its owner
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }

    vp::ComPtr<IMMDeviceEnumerator> m_enumerator;
    vp::ComPtr<IAudioEndpointVolume> m_volume;
    bool m_watching = false;
    std::atomic<bool> m_deviceChanged{false};
    std::atomic<void*> m_noticeContext{nullptr};
    std::atomic<ChangeNotice> m_notice{nullptr};
};

// The browser history store, kept from one clearing to the next. One apartment, as above.
class CHistoryStore {
public:
    bool Prepare();
    // Clears the history; when the call fails, makes the store again and tries once more. A store
    // that answers "not implemented" is kept: a new one would answer the same.
    bool Clear();
    void Reset() noexcept { m_store.Reset(); }
    bool HoldsStore() const noexcept { return static_cast<bool>(m_store); }

private:
    vp::ComPtr<IUrlHistoryStg2> m_store;
};

// A key below HKEY_CURRENT_USER held open for writing. Prepare opens it only when it exists; the
// first write creates it, as a write through the registry store does.
class CHeldKey {
public:
    explicit CHeldKey(const wchar_t* path) noexcept : m_path(path) {}
    void Prepare() noexcept;
    // Runs op(key); when it fails (not ERROR_SUCCESS), opens the key again and runs it once more.
    template <class Op>
    LONG Use(Op op) noexcept {
        for (int attempt = 0;; ++attempt) {
            if (!m_key && Open(true) != ERROR_SUCCESS) return ERROR_PATH_NOT_FOUND;
            const LONG r = op(m_key.Get());
            if (r == ERROR_SUCCESS || attempt == 1) return r;
            m_key.Reset();  // deleted under us, or otherwise unusable: the next attempt opens afresh
        }
    }
    void Reset() noexcept { m_key.Reset(); }
    bool IsOpen() const noexcept { return static_cast<bool>(m_key); }

private:
    LONG Open(bool create) noexcept;

    const wchar_t* m_path;
    vp::RegKeyHandle m_key;
};

// Deletes "url1", "url2", ... from the typed-addresses key until a number has no value (the values
// are numbered without gaps). Returns ERROR_SUCCESS when it stopped at a missing value, otherwise
// the error that stopped it.
LONG DeleteTypedUrls(HKEY key) noexcept;

// ---- the actions -----------------------------------------------------------------------------------
// Mutes the default playback device; nothing here ever unmutes. osMajor picks the road: the mixer
// on 5, the endpoint volume on 6 and later.
class CMuteAction : public CSwitchAction {
public:
    explicit CMuteAction(DWORD osMajor) noexcept : m_osMajor(osMajor) {}
    void SetChangeNotice(CEndpointMute::ChangeNotice notice, void* context) noexcept {
        m_endpoint.SetChangeNotice(notice, context);
    }
    void Prepare(const CSettingsData& s) override;
    void Before(const CSettingsData& s) override;
    bool HoldsEndpoint() const noexcept { return m_endpoint.HoldsEndpoint(); }

private:
    DWORD m_osMajor;
    CApartment m_com;
    CEndpointMute m_endpoint;
    XPMuteControl m_mixer;
};

class CMonitorOffAction : public CSwitchAction {
public:
    void Before(const CSettingsData& s) override;
};

class CHistoryAction : public CSwitchAction {
public:
    void Prepare(const CSettingsData& s) override;
    void Before(const CSettingsData& s) override;
    bool HoldsStore() const noexcept { return m_history.HoldsStore(); }

private:
    CApartment m_com;
    CHistoryStore m_history;
};

class CTypedUrlsAction : public CSwitchAction {
public:
    CTypedUrlsAction() noexcept : m_key(kTypedUrlsKeyPath) {}
    void Prepare(const CSettingsData& s) override;
    void Before(const CSettingsData& s) override;
    bool HoldsKey() const noexcept { return m_key.IsOpen(); }

private:
    CHeldKey m_key;
};

// The shell's list of recent documents, and on 6 and later the jump lists of the user's programs.
class CRecentDocsAction : public CSwitchAction {
public:
    explicit CRecentDocsAction(DWORD osMajor) noexcept : m_osMajor(osMajor) {}
    void Before(const CSettingsData& s) override;

private:
    DWORD m_osMajor;
};

// Disables Task Manager through the policy, recorded in the program's key before it is changed, and
// gives it back exactly as it was rather than set to 0, which would also lift an administrator's own 1.
class CTaskManagerAction : public CSwitchAction {
public:
    CTaskManagerAction() noexcept;
    void Prepare(const CSettingsData& s) override;
    void Before(const CSettingsData& s) override;
    void Undo() override;
    bool HoldsKey() const noexcept { return m_policy.IsOpen(); }

private:
    CHeldKey m_policy;
};
