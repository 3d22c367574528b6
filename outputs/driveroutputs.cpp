#include "outputs/driveroutputs.h"

#include <cstdio>

#include "i18n/messages.h"

bool openDriverOutputs(DriverOutputs* outputs, const std::string& logPath, const std::string& outPath,
                       const std::string& jsonPath, const std::string& tracePath) {
    outputs->out.name = outPath;
    outputs->json.name = jsonPath;
    outputs->trace.name = tracePath;
    outputs->json.durable = true;
    outputs->trace.durable = true;
    bool ready = logPath.empty() || openLogAppender(&outputs->log, logPath);
    ready = checkReplaceable(&outputs->out) && ready;
    ready = (jsonPath.empty() || checkReplaceable(&outputs->json)) && ready;
    ready = (tracePath.empty() || checkReplaceable(&outputs->trace)) && ready;
    return ready;
}

void closeDriverOutputs(DriverOutputs* outputs) {
    syncWrittenFile(&outputs->out);
    closeLogAppender(&outputs->log);
    flushOutput(&outputs->console, stdout);
}

int driverExitStatus(const DriverOutputs& outputs) {
    if (stopSignal() != 0) {
        return 128 + stopSignal();
    }
    const bool failed = outputs.log.file.failed || outputs.out.failed || outputs.json.failed ||
                        outputs.trace.failed || outputs.console.failed;
    return failed ? 1 : 0;
}

std::string keptRunsText(const DriverOutputs& outputs) {
    std::string kept;
    const LogAppender& log = outputs.log;
    if (!log.file.name.empty() && !log.file.failed) {
        kept = log.linesGivenUp == 0
                   ? log.file.name
                   // TRANSLATORS: the log; another process held its lock at the stop.
                   : formatMessage(_("%s (all but the last run: another process held its lock)"),
                                   log.file.name.c_str());
    }
    const OutputFile& json = outputs.json;
    // A JSON file whose rename failed is whole in the temporary kept.
    const std::string& jsonKept = json.failed ? json.keptAs : json.name;
    if (!json.name.empty() && !jsonKept.empty()) {
        kept += (kept.empty() ? "" : ", ") + jsonKept;
    }
    return kept;
}
