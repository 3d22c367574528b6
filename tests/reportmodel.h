// Models of the report's inputs for the report's tests: a log's or a JSON's
// text read as the one input of a model, and runs added by hand.
#pragma once

#include <string>
#include <string_view>

#include "report/input/jsonreader.h"
#include "report/input/logreader.h"
#include "report/sweep/model.h"

namespace reportmodel {

// `text` read as the log infoData.csv, the groups finished.
inline SweepModel ofLog(std::string_view text) {
    SweepModel model;
    model.files.push_back({});
    model.files.back().path = "infoData.csv";
    readLog(std::string(text), &model, 0);
    finishRuns(&model);
    return model;
}

// `text` read as the JSON sweep.json; `error` is set when it is refused.
inline SweepModel ofJson(std::string_view text, std::string* error) {
    SweepModel model;
    model.files.push_back({});
    model.files.back().path = "sweep.json";
    if (readBenchJson(text, &model, 0, error)) {
        finishRuns(&model);
    }
    return model;
}

// A model of one JSON-like input (wall times) or log-like one, to add runs to.
inline SweepModel empty(bool wall) {
    SweepModel model;
    model.hasWall = wall;
    model.files.push_back({});
    model.files.back().path = wall ? "sweep.json" : "infoData.csv";
    model.files.back().kind = wall ? InputKind::json : InputKind::log;
    model.sweeps.push_back({0, 1, 1, 0});
    return model;
}

// Adds one run of `rows` x `columns` in `mode` with `settings` ("" or
// "stack:64k").
inline void add(SweepModel* model, int32_t rows, int32_t columns, int32_t threads, double cpu, double wall = NAN,
                const char* mode = "spawn", const std::string& settings = "", int32_t sweep = 0) {
    SettingList list;
    if (!settings.empty()) {
        const auto colon = settings.find(':');
        list.push_back({settings.substr(0, colon), settings.substr(colon + 1)});
    }
    Run run;
    run.cpu = cpu;
    run.wall = model->hasWall ? wall : NAN;
    run.sweep = sweep;
    addRun(model, {rows, columns, settingIndex(model, list), modeIndex(model, mode), threads}, std::move(run));
}

// Adds one run of 500 x 500 with its wall and processor time `time`, made
// `sequence`-th in the sweep by invocation `invocation`.
inline void addMade(SweepModel* model, int32_t threads, double time, int32_t sequence,
                    int32_t invocation = 0) {
    Run run;
    run.cpu = time;
    run.wall = model->hasWall ? time : NAN;
    run.sequence = sequence;
    run.invocation = invocation;
    addRun(model, {500, 500, settingIndex(model, {}), modeIndex(model, "spawn"), threads}, std::move(run));
}

// Adds one run of a 500 x 500 matrix.
inline void add(SweepModel* model, int32_t threads, double cpu, double wall = 0, const char* mode = "spawn") {
    add(model, 500, 500, threads, cpu, wall, mode);
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace reportmodel
