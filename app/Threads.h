#pragma once
// The thread spine: the main thread's run step and the bodies of the ui and check threads.
#include <windows.h>

#include "switching/ThreadMail.h"

// The bodies of the five worker threads, in the order the main thread starts them.
struct WorkerThreadBodies {
    LPTHREAD_START_ROUTINE ui;
    LPTHREAD_START_ROUTINE hook;
    LPTHREAD_START_ROUTINE pwd1;
    LPTHREAD_START_ROUTINE pwd2;
    LPTHREAD_START_ROUTINE check;
};

// The program's own bodies.
WorkerThreadBodies DefaultWorkerThreadBodies() noexcept;

// What creates a thread; tests may hand in one that fails. The thread runs its body once gate is set
// (null: at once).
using ThreadCreator = HANDLE (*)(LPTHREAD_START_ROUTINE body, void* arg, HANDLE gate, DWORD* id);
// Creates a worker thread and returns once the thread has its message queue, so that a thread
// message posted to its id from then on is never lost.
HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE body, void* arg, HANDLE gate, DWORD* id) noexcept;

// Start argument of the ui thread; created by the main thread, freed by the ui thread.
struct UiThreadStart {
    const wchar_t* commandLine;
    int showState;
    ThreadMail* mail;
};

// Starts the workers, then waits until the program ends (mail.ended, set by the ui thread) and puts
// Quit in every other worker's mail. Nothing posted to the main thread does anything. Every id is
// filled in before a worker runs (the workers wait at a gate the main thread opens once all exist);
// the workers use the mail for as long as they run, so the caller keeps it until the process ends.
// The hook thread alone runs its body at once: the program's own makes the desktops, hooks them and
// starts the shell while the main thread starts the others, and waits at the gate itself before it
// serves. Every worker's argument is &mail but the ui thread's. Returns 1.
int RunMainThread(const wchar_t* commandLine, int showState, ThreadMail& mail,
                  const WorkerThreadBodies& bodies = DefaultWorkerThreadBodies(),
                  ThreadCreator create = CreateWorkerThread);

// Set once the hook thread's start-up is over: both desktops hooked and the shell started, or given up.
HANDLE HookThreadStarted() noexcept;

// The running copy's request events (app/SingleCopy.h), which the ui thread waits on beside its
// messages: the settings window shown, or the program quit. Set before the threads start.
void SetCopyRequests(HANDLE showSettings, HANDLE quit) noexcept;

DWORD WINAPI UiThreadProc(void* start);
// Its argument is the program's ThreadMail.
DWORD WINAPI CheckThreadProc(void* mail);
