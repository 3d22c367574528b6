// Stop signals, and how a driver ends after one. SIGINT and SIGTERM ask the
// sweep to stop after the run in progress; a standard output whose reader
// is gone (EPIPE) stops it the same way, recorded as SIGPIPE. Once what was
// measured is written, the driver ends by that signal itself, so that a
// calling shell sees the death by the signal ($? 130, 143 or 141) and a
// shell loop stops.
//
// One stop is one stop however often it arrives: the same signal again
// within a second of the last one counted is the same request delivered
// twice (GNU timeout signals the program, then its own process group) and
// changes nothing. A later stop signal, a different one, SIGHUP or SIGQUIT
// asks to end now: nothing more is waited for (no pipe's reader, no room in
// a pipe), what was measured is still written, and the program ends by that
// signal within a bounded time (endNowDeadlineSeconds) even if a write
// never returns, removing the temporary files being written.
#pragma once

// A repeated delivery of the signal last counted within this many
// milliseconds is not a new stop.
inline constexpr int repeatedStopMillis = 1000;
// How long an ending program may still take to write what it measured.
inline constexpr unsigned endNowDeadlineSeconds = 2;

// Installs the handlers; a signal ignored when the program started stays
// ignored. Interrupted calls restart (SA_RESTART), so no buffered line is
// dropped by a signal; the waits that must see a stop poll for it. SIGPIPE
// is ignored, so a write to a closed pipe fails with EPIPE, and SIGXFSZ
// too, so a write past the file-size limit fails with EFBIG: both are then
// handled like any other failure.
void installStopHandlers();

// The first stop recorded: SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE
// (standard output's reader is gone), or 0. The JSON file records it.
int stopSignal();

// How many stops were counted (repeated deliveries are not): a wait that
// must end at the next stop compares it with the count it began with.
int stopCount();

// Whether the program was asked to end now (a second stop, SIGHUP or
// SIGQUIT): the deadline runs.
bool endingNow();

// Records that standard output's reader is gone: the sweep stops as for a
// stop signal. A stop signal that came first stays the one recorded.
void stopForClosedPipe();

// "SIGINT", "SIGTERM", "SIGPIPE", "SIGHUP", "SIGQUIT", else "?".
const char* signalName(int number);

// With a stop recorded, ends the program by the signal that asked it to
// end now, else by the first stop: its default action restored, unblocked,
// raised. Returns `status` when there is none, or when the signal would
// not end the program (SIGPIPE was ignored when the program started): the
// caller then exits with it.
int endByStopSignal(int status);
