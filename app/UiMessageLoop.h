#pragma once
#include "framework/MessageLoop.h"
#include "switching/ThreadMail.h"
#include "ui/MainFrame.h"

// The ui thread's loop. It holds the settings window, so the frame lives exactly as long as the loop.
class CUiMessageLoop : public vp::CMessageLoop {
public:
    BOOL PreTranslateMessage(MSG* msg) override { return m_frame.PreTranslateMessage(msg); }

    // Creates the settings window, which asks the program's threads through mail (null: none), and
    // runs the loop; returns the loop's code (0 when the window could not be created).
    int Run(int showState, ThreadMail* mail);

    CMainFrame m_frame;
};
