#include "app/invocationstream.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <new>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>
#include <utility>

#include "app/diagrun.h"
#include "export/runrecord.h"

using Json = nlohmann::ordered_json;

namespace {

// Writes all of `bytes`; false when the parent is gone (EPIPE, with no
// SIGPIPE) or the channel fails otherwise.
bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

// A message is a header line of JSON; the sums' text follows its header.
bool sendHeader(int fd, const Json& header) {
    return sendAll(fd, header.dump() + "\n");
}

const char* endName(InvocationEnd end) {
    return nameOf(end, invocationEndNames);
}

bool endNamed(const std::string& name, InvocationEnd* end) {
    return valueNamed(name, invocationEndNames, end);
}

template <typename Number>
bool readNumber(std::istringstream* words, Number* value) {
    std::string word;
    if (!(*words >> word)) {
        return false;
    }
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), *value);
    return error == std::errc{} && end == word.data() + word.size();
}

bool isCount(const Json& header, const char* key) {
    return header.contains(key) && header.at(key).is_number_unsigned();
}

// The message whose header is `header`, with the bytes after the header in
// `after`; `payload` gets how many of them belong to it.
MessageRead readMessage(const Json& header, std::string_view after, InvocationMessage* message,
                        size_t* payload) {
    *payload = 0;
    if (header.contains("run")) {
        message->kind = InvocationMessage::Kind::run;
        if (!isCount(header, "variant") || !parseRunRecord(header.at("run"), &message->run)) {
            return MessageRead::malformed;
        }
        message->variant = header.at("variant").get<size_t>();
        return MessageRead::message;
    }
    if (header.contains("sums")) {
        if (!isCount(header, "sums")) {
            return MessageRead::malformed;
        }
        const auto length = header.at("sums").get<size_t>();
        if (after.size() < length) {
            return MessageRead::incomplete;
        }
        message->kind = InvocationMessage::Kind::sums;
        message->sums.assign(after.substr(0, length));
        *payload = length;
        return MessageRead::message;
    }
    message->kind = InvocationMessage::Kind::end;
    if (!header.contains("end") || !header.at("end").is_string() || !header.contains("signal") ||
        !header.at("signal").is_number_integer() ||
        !endNamed(header.at("end").get<std::string>(), &message->end)) {
        return MessageRead::malformed;
    }
    message->signal = header.at("signal").get<int>();
    return MessageRead::message;
}

}  // namespace

std::string shareText(const InvocationShare& share) {
    std::string perf;
    for (size_t event : share.perfEvents) {
        if (!perf.empty()) {
            perf += ',';
        }
        perf += std::to_string(event);
    }
    return std::to_string(share.fd) + " " + std::to_string(share.index) + " " + std::to_string(share.count) +
           " " + std::to_string(share.runs) + " " + std::to_string(share.seed) + " " +
           (perf.empty() ? "-" : perf);
}

bool parseShareText(const char* text, InvocationShare* share) {
    std::istringstream words(text);
    InvocationShare read;
    std::string perf;
    std::string extra;
    if (!readNumber(&words, &read.fd) || !readNumber(&words, &read.index) ||
        !readNumber(&words, &read.count) || !readNumber(&words, &read.runs) ||
        !readNumber(&words, &read.seed) || !(words >> perf) || words >> extra) {
        return false;
    }
    if (perf != "-") {
        std::istringstream events(perf);
        for (std::string event; std::getline(events, event, ',');) {
            std::istringstream one(event);
            size_t value;
            if (!readNumber(&one, &value) || value >= perfEventCount) {
                return false;
            }
            read.perfEvents.push_back(value);
        }
    }
    struct stat status;
    if (read.index < 0 || read.count < 1 || read.index >= read.count || read.runs < 1 ||
        fstat(read.fd, &status) != 0 || !S_ISSOCK(status.st_mode)) {
        return false;
    }
    *share = std::move(read);
    return true;
}

bool streamRun(InvocationStream* stream, size_t variant, const TimedRun& run) {
    return sendHeader(stream->fd, Json{{"variant", variant}, {"run", runRecord(run)}});
}

bool keepRunSums(InvocationStream* stream, Array results, const std::string& outName) {
    std::string text;
    if (!runSumsText(results, "diagsum", outName, &text)) {
        return false;
    }
    stream->lastSums = std::move(text);
    stream->sumsKept = true;
    return true;
}

bool stopAsked(const InvocationStream* stream) {
    if (stream == nullptr) {
        return false;
    }
    // The parent writes nothing: anything readable is its side's end.
    pollfd channel{stream->fd, POLLIN | POLLRDHUP, 0};
    return poll(&channel, 1, 0) > 0 && channel.revents != 0;
}

bool streamEnd(InvocationStream* stream, InvocationEnd end, int signal) {
    if (stream->sumsKept && (!sendHeader(stream->fd, Json{{"sums", stream->lastSums.size()}}) ||
                             !sendAll(stream->fd, stream->lastSums))) {
        return false;
    }
    return sendHeader(stream->fd, Json{{"end", endName(end)}, {"signal", signal}});
}

void addMessageBytes(MessageReader* reader, const char* bytes, size_t length) {
    if (reader->taken > 0 && reader->taken * 2 >= reader->buffer.size()) {
        reader->buffer.erase(0, reader->taken);
        reader->taken = 0;
    }
    reader->buffer.append(bytes, length);
}

MessageRead nextMessage(MessageReader* reader, InvocationMessage* message) {
    const std::string_view unread = std::string_view(reader->buffer).substr(reader->taken);
    const size_t lineEnd = unread.find('\n');
    if (lineEnd == std::string_view::npos) {
        return MessageRead::incomplete;
    }
    const Json header =
        Json::parse(unread.begin(), unread.begin() + static_cast<ptrdiff_t>(lineEnd), nullptr, false);
    if (header.is_discarded() || !header.is_object()) {
        return MessageRead::malformed;
    }
    size_t payload = 0;
    const MessageRead found = readMessage(header, unread.substr(lineEnd + 1), message, &payload);
    if (found == MessageRead::message) {
        reader->taken += lineEnd + 1 + payload;
    }
    return found;
}
