#pragma once

#include <chrono>
#include <memory>

#include <QDeadlineTimer>
#include <QThread>

namespace qs::notify {

// Prepares libcurl for the whole process (curl_global_init). Call it from main before any
// other thread exists; later calls do nothing. Sending a mail calls it as well, as a safety
// net, but only the call from main is sure to come before other threads touch OpenSSL.
void initialiseMailSupport();

// Starts a thread that sends one mail and keeps it until it has finished; a finished thread
// is deleted from the event loop of the thread that started it. The thread promises to end by
// itself by `deadline` (give or take the second its checks may take).
void startMailThread(std::unique_ptr<QThread> thread, QDeadlineTimer deadline);

// Called on a mail thread once the outcome of its mail is known. What the thread still does
// (closing the session with QUIT) can change nothing, so the end of the program does not wait
// for it: waitForMailThreads() asks such a thread to stop at once.
void mailOutcomeDecided();

// Mail threads started and not yet deleted.
int mailThreadCount();

// For the end of the program: waits for every mail still being sent, up to `limit` and never
// past the mail's own deadline; threads whose outcome is known are asked to stop at once.
// Threads still busy then are asked to give up and get a moment more. True when no mail still
// undecided had to be given up. A thread that has not ended even then is left to the end of
// the process.
bool waitForMailThreads(std::chrono::milliseconds limit);

} // namespace qs::notify
