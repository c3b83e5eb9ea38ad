#pragma once
// The check thread's update check. It works through a registry store and a matcher of its own, so
// nothing it uses is shared with another thread.
#include <windows.h>

#include "update/HttpGet.h"

// Asks host for path and records the newer build the reply names, in place of any recorded before;
// a reply that names no newer build clears the record. With evaluate (the "Detect Update" setting)
// off nothing is sent. deadlineMs bounds the whole exchange.
void CheckForUpdate(const char* host, const char* path, BOOL evaluate, unsigned deadlineMs = kHttpDeadlineMs);
