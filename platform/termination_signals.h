#pragma once
// SIGTERM, SIGINT and SIGHUP delivered to the UI thread: the handler runs from the
// event loop, never inside the signal handler.

#include <functional>

// Installs the handlers once; later calls replace the callback. It gets the signal number.
void watchTerminationSignals(std::function<void(int)> onSignal);
