// The hook thread's kept-ready actions: what they hold for which setting, that a key deleted under
// them is opened again, and that the thread holding them can still move between desktops.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "actions/WarmActions.h"
#include "framework/Handles.h"
#include "framework/RegistryStore.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

bool KeyExists(const wchar_t* path) {
    vp::RegKeyHandle key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

DWORD ValueCount(const wchar_t* path) {
    vp::RegKeyHandle key;
    DWORD values = 0;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return 0xFFFFFFFF;
    ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    return values;
}

DWORD TaskManagerPolicy() {
    CRegistryStore store;
    store.SetPath(kTaskManagerPolicyKeyPath);
    DWORD v = 0xFFFFFFFF;
    store.ReadDword(L"DisableTaskMgr", &v);
    return v;
}

void WriteTypedUrls(int count) {
    CRegistryStore store;
    store.SetPath(kTypedUrlsKeyPath);
    for (int i = 1; i <= count; ++i) store.WriteString((L"url" + std::to_wstring(i)).c_str(), L"http://seen.test/");
}

// The apartment the warm actions enter belongs to the thread, so each test runs on one of its own,
// as the hook thread is; gtest's checks work from any thread.
void OnOwnThread(std::function<void()> body) {
    vp::KernelHandle thread(::CreateThread(nullptr, 0, [](void* p) -> DWORD {
        (*static_cast<std::function<void()>*>(p))();
        return 0;
    }, &body, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread.Get(), 60000));
}

FastActionSet AllOn() {
    FastActionSet all;
    all.mute = all.clearHistory = all.clearTypedUrls = all.clearRecentDocs = all.disableTaskMgr = true;
    return all;
}

TEST(WarmActions, HoldWhatTheEnabledActionsNeedAndNothingElse) {
    DeleteKeyTree(kTaskManagerPolicyKeyPath);
    WriteTypedUrls(1);
    OnOwnThread([] {
        CWarmActions warm(6);
        warm.Prepare(AllOn());
        // ctest gives these tests a null sound device, whose playback endpoint Wine offers.
        EXPECT_TRUE(warm.HoldsEndpoint());
        EXPECT_TRUE(warm.HoldsHistoryStore());
        EXPECT_TRUE(warm.HoldsTypedUrlsKey());
        // The policy key is not made before the action needs it: getting ready changes nothing.
        EXPECT_FALSE(warm.HoldsPolicyKey());
        EXPECT_FALSE(KeyExists(kTaskManagerPolicyKeyPath));
        EXPECT_EQ(1u, ValueCount(kTypedUrlsKeyPath));

        warm.Mute();
        warm.ClearBrowsingHistory();
        warm.ClearTypedUrls();
        warm.SetTaskManagerDisabled(1);
        EXPECT_EQ(0u, ValueCount(kTypedUrlsKeyPath));
        EXPECT_EQ(1u, TaskManagerPolicy());
        EXPECT_TRUE(warm.HoldsPolicyKey());

        warm.Prepare(FastActionSet{});
        EXPECT_FALSE(warm.HoldsEndpoint());
        EXPECT_FALSE(warm.HoldsHistoryStore());
        EXPECT_FALSE(warm.HoldsTypedUrlsKey());
        EXPECT_FALSE(warm.HoldsPolicyKey());
    });
    DeleteKeyTree(kTaskManagerPolicyKeyPath);
}

TEST(WarmActions, AKeyDeletedUnderTheHeldHandleIsOpenedAgain) {
    WriteTypedUrls(1);
    CRegistryStore policy;
    policy.SetPath(kTaskManagerPolicyKeyPath);
    policy.WriteDword(L"DisableTaskMgr", 0);
    OnOwnThread([] {
        CWarmActions warm(6);
        FastActionSet keys;
        keys.clearTypedUrls = keys.disableTaskMgr = true;
        warm.Prepare(keys);
        ASSERT_TRUE(warm.HoldsTypedUrlsKey());
        ASSERT_TRUE(warm.HoldsPolicyKey());
        // Another program deletes both keys and writes them anew while the handles are held.
        DeleteKeyTree(kTypedUrlsKeyPath);
        DeleteKeyTree(kTaskManagerPolicyKeyPath);
        WriteTypedUrls(2);
        warm.ClearTypedUrls();
        warm.SetTaskManagerDisabled(1);
        EXPECT_EQ(0u, ValueCount(kTypedUrlsKeyPath));
        EXPECT_EQ(1u, TaskManagerPolicy());
    });
    DeleteKeyTree(kTaskManagerPolicyKeyPath);
}

TEST(WarmActions, TheirThreadStillMovesBetweenDesktops) {
    // A thread that owns a window cannot change its desktop; the hook thread does so at every
    // switch, with its apartment entered and every object made.
    const std::wstring name = L"vpwarm" + std::to_wstring(::GetCurrentProcessId());
    vp::DesktopHandle other(::CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    ASSERT_TRUE(other);
    const HDESK otherDesktop = other.Get();
    OnOwnThread([otherDesktop] {
        const HDESK home = ::GetThreadDesktop(::GetCurrentThreadId());
        CWarmActions warm(6);
        warm.Prepare(AllOn());
        warm.Mute();
        warm.ClearBrowsingHistory();
        EXPECT_TRUE(::SetThreadDesktop(otherDesktop));
        EXPECT_TRUE(::SetThreadDesktop(home));
    });
    DeleteKeyTree(kTaskManagerPolicyKeyPath);
}

}  // namespace
