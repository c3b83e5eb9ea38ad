#pragma once
// One plain HTTP/1.1 GET to port 80 of the update server.
#include <cstddef>

// The reply buffer every caller hands in: the whole reply the update check will look at.
constexpr size_t kHttpReplyBytes = 10240;

// Sends the request for path to host (a name, or an address in dotted form) and collects what comes
// back until the server closes, the 10-second receive time-out passes or the buffer is full. Returns
// the number of bytes received, with the buffer NUL-terminated after them, or 0 on any failure (the
// buffer then holds the empty text).
int HttpGet(const char* host, const char* path, char (&buffer)[kHttpReplyBytes]) noexcept;
