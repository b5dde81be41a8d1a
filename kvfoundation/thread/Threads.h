#pragma once

#include "kvfoundation/system/IKVRunLoop.h"
#include "kvfoundation/system/IKVTimer.h"
#include "kvfoundation/thread/IKVRunnable.h"
#include "kvfoundation/thread/IKVThread.h"

namespace kvfoundation::data {
class IKVString;
}

// Starting threads, finding the current one, and the run loops: every thread's own loop and
// the main (GUI) loop of the process's initial thread, which the service runs until told to
// quit and to which other threads hand work that must run there.
namespace kvfoundation::thread {

// Starts `runnable` on a new thread named by util::Format(nameFormat, ...); the thread is
// returned autoreleased. Null arguments raise KVNullPtr.
IKVThread* StartThread(IKVRunnable* runnable, const char* nameFormat, ...);
IKVThread* StartThread(IKVRunnable* runnable, data::IKVString* name);

// The calling thread's thread object (borrowed; it lives as long as the thread). A thread the
// library did not start gets one on first request: "Main" or "KVThread-<n>".
IKVThread* CurrentThread();

// The calling thread's run loop (borrowed).
system::IKVRunLoop* CurrentRunLoop();
// The main thread's loop, from any thread (borrowed; it lives as long as the process).
system::IKVRunLoop* MainRunLoop();

// Runs the main loop on the main thread until it is stopped or told to quit; on any other
// thread raises KVIllegalState.
void RunGUILoop();
// Tells the main loop to quit, from any thread: a runnable on the main loop ends the run in
// progress or, when the loop is not running, the next run.
void QuitGUILoop();

// Arms a timer on the calling thread's run loop; `invocation` runs on this thread, inside its
// own autorelease pool, each time the timer fires while the loop runs. Returns the timer
// (autoreleased; the loop keeps it armed until it is invalidated or, one-shot, has fired).
system::IKVTimer* ScheduleTimer(double seconds, bool repeats, IKVRunnable* invocation);

// Runs `runnable` on `loop`'s thread and waits until it has run; an exception it throws is
// thrown again here. On the loop's own thread it runs at once. The loop must be run (or be
// running) for this to return; a loop whose thread has ended raises KVIllegalState.
void PerformAndWait(system::IKVRunLoop* loop, IKVRunnable* runnable);

}  // namespace kvfoundation::thread
