// A sweep's progress on the terminal: one line on stderr, rewritten in place
// ("\r" and clear to the end of the line), naming the count and run in
// progress, the runs done of the total and an estimate of the time left.
// It never touches stdout, and shows nothing unless it is switched on.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// Whether the line shows: only when stderr is a terminal, always, never.
enum class ProgressChoice { automatic, on, off };

struct Progress {
    bool shown = false;  // the line is drawn at all
    bool onScreen = false;  // a line is drawn now and not yet cleared
    size_t total = 0;
    size_t done = 0;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point drawn;
};

// The line is redrawn at most this often, so a run of a millisecond costs
// no terminal write.
inline constexpr std::chrono::milliseconds progressRedraw{200};

// Starts counting `total` runs (the timed runs planned; warmups are not
// counted). `automatic` shows the
// line only when stderr is a terminal.
void startProgress(Progress* progress, size_t total, ProgressChoice choice);

// One run finished: `run` of `runs` of the count of `workers` workers.
// Redraws the line when it is off the screen or older than progressRedraw.
void progressRunDone(Progress* progress, int32_t workers, int32_t run, int32_t runs);

// Takes the line off the screen (before stdout writes to the same
// terminal, and at the end); the next run draws it again.
void clearProgress(Progress* progress);

// The text of the line, without "\r" and the clearing: what is shown after
// `done` of `total` runs, `elapsed` seconds in.
std::string progressLine(int32_t workers, int32_t run, int32_t runs, size_t done, size_t total,
                         double elapsed);
