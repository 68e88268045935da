// What quorvel-cli sets up before its first file and checks after its last,
// so that what it leaves on disk and what it reports hold whatever happens
// to the process: closed standard streams, a standard output that fails,
// and interruption.
#ifndef QUORVEL_CLI_PROCESS_GUARD_H_
#define QUORVEL_CLI_PROCESS_GUARD_H_

// Opens each of the standard descriptors 0, 1 and 2 that is closed on the
// null device (Windows: each of the three streams that has no handle), so
// that no file the run opens ever takes one of those numbers and a log line
// never lands in a report. Returns true when standard output was closed: its
// lines are lost, which FinishStandardOutput reports. Call it first.
bool OpenClosedStandardStreams();

// From now on SIGINT, SIGTERM, SIGHUP and SIGPIPE (Windows: Ctrl-C,
// Ctrl-Break, closing the console, logging off, shutting down) remove the
// temporary files of the reports being written (engine/temp_files.h) and end
// the process at once, silently, with the conventional status: 128 + the
// signal's number (130 for SIGINT, 141 for SIGPIPE; Windows:
// STATUS_CONTROL_C_EXIT). Reports already in place stay. A signal that was
// ignored when the program started stays ignored (nohup, background jobs; an
// ignored SIGPIPE leaves a failed write to FinishStandardOutput). POSIX: the
// signals are taken by a thread of their own, so that the removal is ordinary
// code that can wait for a report that is just being renamed; it calls only
// unlink and _exit. SIGINT, SIGTERM and SIGHUP are blocked in every other
// thread; SIGPIPE, which the system raises in the thread that wrote, is
// passed on to that thread by a handler. Call it before any other thread
// starts.
void RemoveTempFilesOnInterrupt();

// Flushes (and, where nothing else uses it afterwards, closes) standard
// output. When that fails, when a write to it failed earlier, or when it was
// closed at start (`wasClosed`), writes one line on standard error and
// returns 1; otherwise returns `status`.
int FinishStandardOutput(int status, bool wasClosed);

#endif  // QUORVEL_CLI_PROCESS_GUARD_H_
