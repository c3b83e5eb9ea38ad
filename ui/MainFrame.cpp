#include "ui/MainFrame.h"

#include "app/AppModule.h"
#include "app/ThreadMessages.h"
#include "framework/Text.h"
#include "settings/RegistryStore.h"

bool CMainFrame::CreateFrame() {
    return Create(kClassName, nullptr, nullptr, nullptr, WS_OVERLAPPEDWINDOW) != nullptr;
}

void CMainFrame::AfterCreate() {
    wchar_t title[64];
    vp::FormatText(title, L"%ls Pro", g_Module.m_pszProductName);
    SetWindowText(title);
    CRegistryStore store;
    store.SetPath(g_Module.m_pszRegistryKey);
    store.WriteDword(L"UPDATE_SHOWED", 0);
    ShowWindow(SW_HIDE);
}

bool CMainFrame::ProcessWindowMessage(HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_CLOSE: ShowWindow(SW_HIDE); result = 0; return true;
    case WM_DESTROY: OnDestroy(); result = 0; return true;
    }
    return false;
}

void CMainFrame::OnDestroy() {
    ::PostThreadMessageW(g_Module.m_dwMainThreadID, WM_APP_QUIT, 0, 0);
    ::PostQuitMessage(0);
}
