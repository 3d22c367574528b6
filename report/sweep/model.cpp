#include "report/sweep/model.h"

#include <algorithm>

namespace {

template <typename List, typename Item>
int32_t indexOf(List* list, const Item& item) {
    const auto found = std::find(list->begin(), list->end(), item);
    if (found != list->end()) {
        return static_cast<int32_t>(found - list->begin());
    }
    list->emplace_back(item);
    return static_cast<int32_t>(list->size() - 1);
}

}  // namespace

std::string settingsText(const SettingList& settings) {
    std::string text;
    for (const Setting& setting : settings) {
        text += (text.empty() ? "" : "/") + setting.key + ":" + setting.value;
    }
    return text;
}

double fieldValue(const SweepModel& model, const Run& run, int32_t field) {
    if (run.fields < 0 || field < 0) {
        return NAN;
    }
    const std::vector<double>& values = model.runFields[static_cast<size_t>(run.fields)];
    return static_cast<size_t>(field) < values.size() ? values[static_cast<size_t>(field)] : NAN;
}

std::vector<double> cpuTimes(const RunGroup& group) {
    std::vector<double> times;
    times.reserve(group.runs.size());
    for (const Run& run : group.runs) {
        times.push_back(run.cpu);
    }
    return times;
}

std::vector<double> wallTimes(const RunGroup& group) {
    std::vector<double> times;
    for (const Run& run : group.runs) {
        if (!std::isnan(run.wall)) {
            times.push_back(run.wall);
        }
    }
    return times;
}

int32_t modeIndex(SweepModel* model, std::string_view name) {
    return indexOf(&model->modes, std::string(name));
}

int32_t settingIndex(SweepModel* model, const SettingList& settings) {
    return indexOf(&model->settings, settings);
}

int32_t fieldIndex(SweepModel* model, std::string_view name) {
    return indexOf(&model->fields, std::string(name));
}

int32_t findField(const SweepModel& model, std::string_view name) {
    const auto found = std::find(model.fields.begin(), model.fields.end(), name);
    return found == model.fields.end() ? -1 : static_cast<int32_t>(found - model.fields.begin());
}

void addRun(SweepModel* model, const GroupKey& key, Run run) {
    RunGroup* group = nullptr;
    std::vector<RunGroup>& groups = model->groups;
    if (!groups.empty() && groups.back().key == key) {
        group = &groups.back();
    } else if (const auto found = model->groupIndex.find(key); found != model->groupIndex.end()) {
        // Move the group to the end, so the next run of it is found at once.
        std::swap(groups[found->second], groups.back());
        model->groupIndex[groups[found->second].key] = found->second;
        found->second = groups.size() - 1;
        group = &groups.back();
    } else {
        model->groupIndex[key] = groups.size();
        groups.push_back({key, {}});
        group = &groups.back();
    }
    group->runs.push_back(std::move(run));
    model->runs++;
}

void finishRuns(SweepModel* model) {
    std::vector<RunGroup>& groups = model->groups;
    std::stable_sort(groups.begin(), groups.end(), [](const RunGroup& a, const RunGroup& b) { return a.key < b.key; });
    // Groups of one key (rekeyed sweeps that came together) become one, runs in order.
    size_t kept = 0;
    for (size_t i = 0; i < groups.size(); i++) {
        if (kept > 0 && groups[kept - 1].key == groups[i].key) {
            std::vector<Run>& runs = groups[kept - 1].runs;
            runs.insert(runs.end(), groups[i].runs.begin(), groups[i].runs.end());
        } else if (kept++ != i) {
            groups[kept - 1] = std::move(groups[i]);
        }
    }
    groups.resize(kept);
    model->groupIndex.clear();
}

const RunGroup* findGroup(const SweepModel& model, const GroupKey& key) {
    const auto at = std::lower_bound(model.groups.begin(), model.groups.end(), key,
                                     [](const RunGroup& g, const GroupKey& k) { return g.key < k; });
    return at != model.groups.end() && at->key == key ? &*at : nullptr;
}

bool severalModes(const SweepModel& model) {
    return model.modes.size() > 1;
}

bool severalSettings(const SweepModel& model) {
    return model.settings.size() > 1;
}

int32_t usableCpus(const SweepModel& model) {
    for (const InputFile& file : model.files) {
        if (file.context.usableCpus > 0 || file.context.cpus > 0) {
            return file.context.usableCpus > 0 ? file.context.usableCpus : file.context.cpus;
        }
    }
    return 0;
}
