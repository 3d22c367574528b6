// The channel between a sweep of several invocations and each child: the
// share in the environment, and the messages a child sends, read back
// however the bytes arrive (the stop request is the end-to-end test's).
#include "app/invocationstream.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace {

// The two ends of a channel, closed at the end of the test.
struct Channel {
    int child = -1;
    int parent = -1;
    Channel() {
        int ends[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
        parent = ends[0];
        child = ends[1];
    }
    ~Channel() {
        close(child);
        close(parent);
    }
    // Everything the child sent so far.
    std::string sent() const {
        std::string bytes;
        char buffer[4096];
        ssize_t got;
        while ((got = recv(parent, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
            bytes.append(buffer, static_cast<size_t>(got));
        }
        return bytes;
    }
};

}  // namespace

TEST(InvocationShare, ReadsBackWhatTheParentWritesAndNothingElse) {
    Channel channel;
    const InvocationShare share{channel.child, 2, 3, 17, UINT64_MAX, {0, 12}};
    InvocationShare read;
    ASSERT_TRUE(parseShareText(shareText(share).c_str(), &read)) << shareText(share);
    EXPECT_EQ(read.fd, share.fd);
    EXPECT_EQ(read.index, 2);
    EXPECT_EQ(read.count, 3);
    EXPECT_EQ(read.runs, 17);
    EXPECT_EQ(read.seed, UINT64_MAX);
    EXPECT_EQ(read.perfEvents, share.perfEvents);
    const std::string child = std::to_string(channel.child);
    for (const std::string& bad : {std::string("1"), child + " 0 2 5 0 - extra", child + " 2 2 5 0 -",
                                   child + " 0 2 0 0 -", child + " 0 2 5 0 13", child + " 0 2 5 x -",
                                   std::string("0 0 2 5 0 -") /* standard input: no socket */}) {
        EXPECT_FALSE(parseShareText(bad.c_str(), &read)) << bad;
    }
}

TEST(InvocationMessages, RunsSumsAndTheEndArriveWholeHoweverTheBytesAreCut) {
    Channel channel;
    InvocationStream stream;
    stream.fd = channel.child;
    TimedRun run{};
    run.countIndex = 1;
    run.time.ticks = 42;
    ASSERT_TRUE(streamRun(&stream, 3, run));
    stream.lastSums = "1.000000\n2.000000\n";
    stream.sumsKept = true;
    ASSERT_TRUE(streamEnd(&stream, InvocationEnd::stopped, 15));
    const std::string bytes = channel.sent();

    MessageReader reader;
    std::vector<InvocationMessage> messages;
    for (char byte : bytes) {  // one byte at a time: every cut at once
        addMessageBytes(&reader, &byte, 1);
        InvocationMessage message;
        MessageRead read;
        while ((read = nextMessage(&reader, &message)) == MessageRead::message) {
            messages.push_back(message);
        }
        ASSERT_EQ(read, MessageRead::incomplete);
    }
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].kind, InvocationMessage::Kind::run);
    EXPECT_EQ(messages[0].variant, 3u);
    EXPECT_EQ(messages[0].run.countIndex, 1u);
    EXPECT_EQ(messages[0].run.time.ticks, 42);
    EXPECT_EQ(messages[1].kind, InvocationMessage::Kind::sums);
    EXPECT_EQ(messages[1].sums, stream.lastSums);
    EXPECT_EQ(messages[2].kind, InvocationMessage::Kind::end);
    EXPECT_EQ(messages[2].end, InvocationEnd::stopped);
    EXPECT_EQ(messages[2].signal, 15);

    for (const char* bad : {"not json\n", "{\"run\":{},\"variant\":0}\n",
                            "{\"end\":\"maybe\",\"signal\":0}\n", "{\"sums\":-1}\n", "[]\n"}) {
        MessageReader garbled;
        addMessageBytes(&garbled, bad, std::char_traits<char>::length(bad));
        InvocationMessage message;
        EXPECT_EQ(nextMessage(&garbled, &message), MessageRead::malformed) << bad;
    }
}
