#pragma once

#include <chrono>
#include <memory>

#include <QThread>

namespace qs::notify {

// Prepares libcurl for the whole process (curl_global_init). Call it from main before any
// other thread exists; later calls do nothing. Sending a mail calls it as well, as a safety
// net, but only the call from main is sure to come before other threads touch OpenSSL.
void initialiseMailSupport();

// Starts a thread that sends a mail and keeps it until it has finished; a finished thread is
// deleted from the event loop of the thread that started it.
void startMailThread(std::unique_ptr<QThread> thread);

// Mail threads started and not yet deleted.
int mailThreadCount();

// For the end of the program: waits up to `limit` for every mail still being sent. Threads
// still busy then are asked to give up and get one more second. True when all had ended
// within the limit. A thread that has not ended even then is left to the end of the process.
bool waitForMailThreads(std::chrono::milliseconds limit);

} // namespace qs::notify
