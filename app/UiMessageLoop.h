#pragma once
#include "framework/MessageLoop.h"
#include "switching/ThreadIds.h"
#include "ui/MainFrame.h"

// The ui thread's loop. It holds the settings window, so the frame lives exactly as long as the loop.
class CUiMessageLoop : public vp::CMessageLoop {
public:
    BOOL PreTranslateMessage(MSG* msg) override { return m_frame.PreTranslateMessage(msg); }

    // Creates the settings window, which posts to the given threads, and runs the loop; returns the
    // exit code of WM_QUIT (0 when the window could not be created).
    int Run(int showState, const ThreadIds* threads);

    CMainFrame m_frame;
};
