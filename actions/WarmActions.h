#pragma once
// The actions before a switch, kept ready on the hook thread. Creating the objects they work through
// (the audio endpoint, the history store, the registry keys) costs far more than using them: the
// endpoint enumerator probes the sound system each time it is made. So the hook thread makes them
// once, when an action is turned on, and a switch only calls them. An object is made again only
// after a call through it failed, or when the default playback device changed.
#include <windows.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <urlhist.h>

#include <atomic>

#include "actions/MuteControl.h"
#include "framework/ComPtr.h"
#include "framework/Handles.h"

inline constexpr wchar_t kTypedUrlsKeyPath[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
inline constexpr wchar_t kTaskManagerPolicyKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// Which of the fast actions before a switch are on.
struct FastActionSet {
    bool mute = false;
    bool clearHistory = false;
    bool clearTypedUrls = false;
    bool clearRecentDocs = false;
    bool disableTaskMgr = false;
};

// Mutes the default playback endpoint (Core Audio, major version 6 and later) through an endpoint
// volume it keeps, and watches for the default device to change. Lives in one COM apartment: made,
// used and destroyed on one thread, which has entered COM.
class CEndpointMute : private IMMNotificationClient {
public:
    CEndpointMute() noexcept = default;
    ~CEndpointMute();
    CEndpointMute(const CEndpointMute&) = delete;
    CEndpointMute& operator=(const CEndpointMute&) = delete;

    // Posted (wParam and lParam 0) when the default playback device changes, so the owner can get
    // the new one ready before the next switch. The notice comes on a thread of the audio system.
    void SetChangeNotice(DWORD threadId, UINT message) noexcept;
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
    std::atomic<DWORD> m_noticeThread{0};
    std::atomic<UINT> m_noticeMessage{0};
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

class CWarmActions {
public:
    // osMajor picks the road for muting: the mixer on 5, the endpoint volume on 6 and later.
    explicit CWarmActions(DWORD osMajor) noexcept;
    // Releases everything, then leaves the apartment it entered.
    ~CWarmActions();
    CWarmActions(const CWarmActions&) = delete;
    CWarmActions& operator=(const CWarmActions&) = delete;

    // Enters the thread's COM apartment on the first call (the multithreaded one: a single-threaded
    // apartment owns a window, and a thread with a window cannot move to another desktop). Then
    // makes ready what each enabled action needs and lets go of what a disabled one held.
    void Prepare(const FastActionSet& enabled);
    void SetChangeNotice(DWORD threadId, UINT message) noexcept { m_endpoint.SetChangeNotice(threadId, message); }

    // The actions themselves; each makes what it needs when it is not ready.
    void Mute();
    void ClearBrowsingHistory();
    void ClearTypedUrls();
    void SetTaskManagerDisabled(DWORD value);

    bool HoldsEndpoint() const noexcept { return m_endpoint.HoldsEndpoint(); }
    bool HoldsHistoryStore() const noexcept { return m_history.HoldsStore(); }
    bool HoldsTypedUrlsKey() const noexcept { return m_typedUrls.IsOpen(); }
    bool HoldsPolicyKey() const noexcept { return m_policy.IsOpen(); }

private:
    bool EnterApartment() noexcept;

    DWORD m_osMajor;
    bool m_inApartment = false;
    CEndpointMute m_endpoint;
    XPMuteControl m_mixer;
    CHistoryStore m_history;
    CHeldKey m_typedUrls;
    CHeldKey m_policy;
};
