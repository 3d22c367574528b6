// The private channel between a sweep made by several invocations
// (--invocations) and each of its child invocations. The parent starts the
// program afresh with the child's share in the environment
// (invocationVariable) and one end of a stream socket inherited; the child
// sends over it, one message each, every timed run as it is made, the sums
// of its last run, and how it ended. The parent asks a child to stop by
// shutting its own side for writing: the child sees that between runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/sweepjson.h"
#include "names/valuenames.h"
#include "slotstore/slotstore.h"

// The environment variable that makes the program a child invocation. Users
// never set it; a value the program did not write is refused.
inline constexpr const char* invocationVariable = "DIAGSUM_INVOCATION";

// What the parent tells a child invocation.
struct InvocationShare {
    int fd = -1;                     // the child's end of the channel, a stream socket
    int32_t index = 0;               // this invocation, from 0
    int32_t count = 1;               // invocations in the sweep
    int32_t runs = 0;                // timed runs per count and variant (plan/invocations.h)
    uint64_t seed = 0;               // a random order's seed
    std::vector<size_t> perfEvents;  // the perf events to count: those the parent found counting
};

// The share as the variable's value, and back. parseShareText refuses
// anything shareText does not write, and a descriptor that is no socket.
std::string shareText(const InvocationShare& share);
bool parseShareText(const char* text, InvocationShare* share);

// How a child invocation ended, as it tells its parent.
enum class InvocationEnd {
    finished,  // every run of its share made
    stopped,   // a stop signal (`signal`) or the parent's request; no further run made
    failed     // a run could not be made (said on stdout or stderr)
};

// The end's name in the message that tells it.
inline constexpr ValueName<InvocationEnd> invocationEndNames[] = {{InvocationEnd::finished, "finished"},
                                                                  {InvocationEnd::stopped, "stopped"},
                                                                  {InvocationEnd::failed, "failed"}};
static_assert(tableNamesEach(invocationEndNames, InvocationEnd::failed));

// The child's side: the socket, and the text of its last run's sums, kept
// until the end (it writes no out.txt of its own).
struct InvocationStream {
    int fd = -1;
    std::string lastSums;
    bool sumsKept = false;
};

// Sends a timed run of variant `variant` (runRecord, export/runrecord.h).
// False when the parent is gone.
bool streamRun(InvocationStream* stream, size_t variant, const TimedRun& run);

// Keeps the text of a run's sums (floatLines) as the last ones. False after
// one line on stderr, as writeRunSums says it, when there is no memory for
// it; the sums kept before stay then, as out.txt would.
bool keepRunSums(InvocationStream* stream, Array results, const std::string& outName);

// Whether the parent asked for a stop, or is gone; false for no stream.
bool stopAsked(const InvocationStream* stream);

// Sends the last sums kept, then the end. False when the parent is gone.
bool streamEnd(InvocationStream* stream, InvocationEnd end, int signal);

// The parent's side: one message read off the channel.
struct InvocationMessage {
    enum class Kind { run, sums, end } kind = Kind::end;
    size_t variant = 0;  // run: its index among the sweep's variants
    TimedRun run{};      // run
    std::string sums;    // sums: the text of out.txt
    InvocationEnd end = InvocationEnd::finished;
    int signal = 0;  // end: the stop signal the child got, or 0
};

// Bytes read off the channel and not yet taken as messages.
struct MessageReader {
    std::string buffer;
    size_t taken = 0;  // bytes of `buffer` already taken
};

// What nextMessage found.
enum class MessageRead { message, incomplete, malformed };

// Appends bytes read off the channel.
void addMessageBytes(MessageReader* reader, const char* bytes, size_t length);

// Takes the next whole message out of the bytes read; `incomplete` until
// more bytes come, `malformed` for bytes no child sends.
MessageRead nextMessage(MessageReader* reader, InvocationMessage* message);
