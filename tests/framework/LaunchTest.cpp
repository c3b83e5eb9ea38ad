#include <gtest/gtest.h>

#include <string>

#include "framework/Launch.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

vp::KernelHandle InheritableEvent() {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return vp::KernelHandle(::CreateEventW(&inherit, TRUE, FALSE, nullptr));
}

// Starts the probe with the handles' values on its command line; returns the mask it answered with.
DWORD Probe(std::initializer_list<HANDLE> handedOn, const vp::KernelHandle& a, const vp::KernelHandle& b) {
    std::wstring cmd = L"\"" + HelperPath(L"handle_probe.exe") + L"\"";
    for (const vp::KernelHandle* h : {&a, &b}) cmd += L" " + std::to_wstring(reinterpret_cast<ULONG_PTR>(h->Get()));
    vp::LaunchedProcess started = vp::LaunchOnDesktop(nullptr, cmd.data(), nullptr, handedOn);
    if (!started || ::WaitForSingleObject(started.process.Get(), 10000) != WAIT_OBJECT_0) return 0xFFFFFFFF;
    DWORD code = 0;
    ::GetExitCodeProcess(started.process.Get(), &code);
    return code;
}

TEST(LaunchOnDesktop, HandsOnOnlyTheHandlesItIsTold) {
    const vp::KernelHandle a = InheritableEvent(), b = InheritableEvent();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(0u, Probe({}, a, b));                       // inheritable, but not asked for: none
    EXPECT_EQ(1u, Probe({a.Get()}, a, b));                // the one listed, not the other
    EXPECT_EQ(3u, Probe({a.Get(), nullptr, b.Get()}, a, b));  // a handle that could not be made is left out

    // What it starts is the caller's to wait on and to end; a program that cannot start says why.
    wchar_t missing[] = L"\"C:\\no such folder\\none.exe\"";
    const vp::LaunchedProcess none = vp::LaunchOnDesktop(nullptr, missing, nullptr, {a.Get()});
    EXPECT_FALSE(none);
    EXPECT_NE(0u, ::GetLastError());
}

}  // namespace
