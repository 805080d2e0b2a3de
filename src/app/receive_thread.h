// The receive thread: started once at start-up, stopped at shutdown.
#pragma once

#include <cstdint>

// Starts ReceiveLoop on a new thread; returns false if no thread could be started.
bool StartReceiveThread();
// Asks the receive loop to end and waits up to limit_ms for the thread, handling the
// messages that the thread sends to the window meanwhile; true when the thread has ended.
// Closes the thread's handle either way.
bool StopReceiveThread(uint32_t limit_ms);
