#pragma once
// The settings window. It owns the settings and lives on the ui thread for the life of its loop.
#include <windows.h>

#include "framework/MessageLoop.h"
#include "framework/Window.h"

class CMainFrame : public vp::CWindowImplBase, public vp::CMessageFilter, public vp::CIdleHandler {
public:
    static constexpr const wchar_t* kClassName = L"WTL_VeilpaneFrame";

    // Creates the top-level frame window; false when it cannot be created.
    bool CreateFrame();
    // The ui thread's steps after creation: title, update offer reset, first show.
    void AfterCreate();

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    BOOL PreTranslateMessage(MSG*) override { return FALSE; }
    BOOL OnIdle() override { return FALSE; }

private:
    void OnDestroy();
};
