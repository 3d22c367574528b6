// Stop signals, and how a driver ends after one. SIGINT and SIGTERM ask the
// sweep to stop after the run in progress; a standard output whose reader
// is gone (EPIPE) stops it the same way, recorded as SIGPIPE. Once what was
// measured is written, the driver ends by that signal itself, so that a
// calling shell sees the death by the signal ($? 130, 143 or 141) and a
// shell loop stops. A second stop signal, SIGHUP and SIGQUIT end the program
// at once, after removing the temporary files being written.
#pragma once

// Installs the handlers; a signal ignored when the program started stays
// ignored. They interrupt a blocking call (no SA_RESTART): a write to a
// stalled pipe or terminal then fails with EINTR instead of holding the stop
// back. SIGPIPE is ignored, so a write to a closed pipe fails with EPIPE,
// and SIGXFSZ too, so a write past the file-size limit fails with EFBIG:
// both are then handled like any other failure.
void installStopHandlers();

// The stop recorded: SIGINT, SIGTERM, SIGPIPE (standard output's reader is
// gone), or 0. A driver that stops for it exits with 128 + the signal.
int stopSignal();

// Records that standard output's reader is gone: the sweep stops as for a
// stop signal. A stop signal that came first stays the one recorded.
void stopForClosedPipe();

// "SIGINT", "SIGTERM", "SIGPIPE", ...
const char* signalName(int number);

// With a stop recorded, ends the program by that signal: its default action
// restored, unblocked, raised. Returns `status` when there is none, or when
// the signal would not end the program (SIGPIPE was ignored when the
// program started): the caller then exits with it.
int endByStopSignal(int status);
