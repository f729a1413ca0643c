#pragma once
// SIGINT and SIGTERM end a grab in order (stop, close, delete, summary)
// instead of killing the process with the camera still held.

namespace interruption {

// Installs the handlers (no SA_RESTART: a blocked wait returns early).
void Install();
// The signal received since Install or Clear, or 0.
int Received();
// Marks `signal` as received, as the handler does.
void Raise(int signal);
void Clear();

}  // namespace interruption
