#include <gtest/gtest.h>

#include <objbase.h>

#include "ActionsTestSupport.h"
#include "actions/CleanupActions.h"
#include "actions/MuteControl.h"

using namespace actions_test;
using testing_support::WaitUntil;

namespace {

// ctest runs these with a null sound device configured (ALSA_CONFIG_PATH), which gives Wine a
// mixer with a speakers line and a default playback endpoint. Wine keeps an endpoint's mute per
// interface object, so the newer road is checked by what it leaves behind, not by the sound.
#define REQUIRE_MIXER()                                                                            \
    if (::mixerGetNumDevs() == 0)                                                                  \
    GTEST_SKIP() << "no mixer device: run through ctest, which configures a null sound device"

constexpr DWORD kSpeakers = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD kNoSource = kNoSourceLine;

CSettingsData MuteOn() {
    CSettingsData s;
    s.mute = 1;
    return s;
}

DWORD WINAPI MuteThenEnterSingleThreaded(void* result) {
    {
        CMuteAction mute(6);
        mute.Before(MuteOn());
    }
    // Had the action left its apartment entered, this would not be S_OK.
    const HRESULT hr = ::CoInitialize(nullptr);
    *static_cast<HRESULT*>(result) = hr;
    if (SUCCEEDED(hr)) ::CoUninitialize();
    return 0;
}

TEST(SetMute, NewerSystemsLeaveTheApartmentAsTheyFoundIt) {
    HRESULT hr = E_FAIL;
    vp::KernelHandle thread(::CreateThread(nullptr, 0, MuteThenEnterSingleThreaded, &hr, 0, nullptr));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread.Get(), 10000));
    EXPECT_EQ(S_OK, hr);
}

TEST(SetMute, MixerRoadShowsNothing) {
    REQUIRE_MIXER();
    MessageBoxWatcher out(L"GetLinInfo Resource out!");
    MessageBoxWatcher failed(L"GetLinInfo Resource faile!");
    CMuteAction mute(5);
    mute.Before(MuteOn());
    mute.Before(MuteOn());
    ::Sleep(200);
    EXPECT_EQ(0, out.Count() + failed.Count());
}

TEST(XPMuteControl, FindsTheSpeakersMuteOnceAndKeepsTheMixer) {
    REQUIRE_MIXER();
    XPMuteControl mute;
    EXPECT_EQ(nullptr, mute.Mixer());
    mute.Init(kSpeakers, kNoSource);
    ASSERT_TRUE(mute.IsInitialised());
    const HMIXER opened = mute.Mixer();
    ASSERT_NE(nullptr, opened);
    mute.SetValue(1);
    mute.Init(kSpeakers, kNoSource);  // a second call opens nothing new
    mute.SetValue(1);
    EXPECT_EQ(opened, mute.Mixer());
}

TEST(XPMuteControl, SourceLineSearch) {
    REQUIRE_MIXER();
    {
        // The speakers line of the null device has a wave source line.
        XPMuteControl mute;
        mute.Init(kSpeakers, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
        EXPECT_TRUE(mute.IsInitialised());
    }
    XPMuteControl mute;
    {
        MessageBoxWatcher boxes(L"GetLinInfo Resource out!");
        mute.Init(kSpeakers, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);  // no such source line
        EXPECT_TRUE(WaitUntil([&] { return boxes.Count() == 1; }, 5000));
        EXPECT_EQ(L"XPMuteControl", boxes.LastText());
    }
    EXPECT_FALSE(mute.IsInitialised());
    mute.Init(kSpeakers, kNoSource);  // the failed attempt does not stop the next one
    EXPECT_TRUE(mute.IsInitialised());
}

}  // namespace
