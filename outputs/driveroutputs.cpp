#include "outputs/driveroutputs.h"

#include <cstdio>

bool openDriverOutputs(DriverOutputs* outputs, const std::string& logPath, const std::string& outPath,
                       const std::string& jsonPath, const std::string& tracePath) {
    outputs->out.name = outPath;
    outputs->json.name = jsonPath;
    outputs->trace.name = tracePath;
    bool ready = logPath.empty() || openLogAppender(&outputs->log, logPath);
    ready = checkReplaceable(&outputs->out) && ready;
    ready = (jsonPath.empty() || checkReplaceable(&outputs->json)) && ready;
    ready = (tracePath.empty() || checkReplaceable(&outputs->trace)) && ready;
    return ready;
}

void closeDriverOutputs(DriverOutputs* outputs) {
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
