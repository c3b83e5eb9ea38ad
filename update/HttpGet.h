#pragma once
// One plain HTTP/1.1 GET to port 80 of the update server.
#include <cstddef>

// The reply buffer every caller hands in: the whole reply the update check will look at.
constexpr size_t kHttpReplyBytes = 10240;
// The whole exchange, from the connection to the last byte, ends within this time, however slowly
// the server answers.
constexpr unsigned kHttpDeadlineMs = 30000;

// Sends the request for path to host (a name, or an address in dotted form) and collects what comes
// back until the server closes, 10 seconds pass without a byte, the deadline passes or the buffer is
// full. Returns the number of bytes received, with the buffer NUL-terminated after them, or 0 on any
// failure, a connection or request that misses the deadline included (the buffer then holds the
// empty text). The deadline is a parameter only so tests need not wait the real one.
int HttpGet(const char* host, const char* path, char (&buffer)[kHttpReplyBytes],
            unsigned deadlineMs = kHttpDeadlineMs) noexcept;
