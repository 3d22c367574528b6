#include "report/sweep/sweepsplit.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "i18n/messages.h"

namespace {

struct Block {
    int32_t threads;
    size_t length;
};

double median(std::vector<size_t> values) {
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? static_cast<double>(values[half])
                                  : (static_cast<double>(values[half - 1]) + static_cast<double>(values[half])) / 2;
}

std::vector<Block> blocksOf(const std::vector<LogRunPlace>& runs, const std::vector<uint32_t>& at) {
    std::vector<Block> blocks;
    for (uint32_t i : at) {
        if (blocks.empty() || blocks.back().threads != runs[i].threads) {
            blocks.push_back({runs[i].threads, 0});
        }
        blocks.back().length++;
    }
    return blocks;
}

bool sequentialSweeps(const std::vector<Block>& blocks) {
    std::map<int32_t, size_t> blocksPerCount;
    std::vector<size_t> lengths;
    for (const Block& block : blocks) {
        blocksPerCount[block.threads]++;
        lengths.push_back(block.length);
    }
    std::vector<size_t> perCount;
    for (const auto& [threads, count] : blocksPerCount) {
        perCount.push_back(count);
    }
    return median(lengths) >= median(perCount);
}

// Writes the sweep of each of one size's runs (`at`, in line order), from
// 0, into `ordinals`.
void ordinalsOfSize(const std::vector<LogRunPlace>& runs, const std::vector<uint32_t>& at,
                    std::vector<uint32_t>* ordinals) {
    const std::vector<Block> blocks = blocksOf(runs, at);
    const bool sequential = sequentialSweeps(blocks);
    uint32_t ordinal = 0;
    std::set<int32_t> seen;
    size_t next = 0;
    for (const Block& block : blocks) {
        if (sequential && !seen.insert(block.threads).second) {
            ordinal++;
            seen = {block.threads};
        }
        for (size_t k = 0; k < block.length; k++) {
            (*ordinals)[at[next++]] = ordinal;
        }
    }
}

// Rekeys every run's series by `slotOf[run.sweep]`: a group whose runs all
// go to one slot keeps them where they are; others are split.
void rekeyBySweep(SweepModel* model, const std::vector<int32_t>& slotOf) {
    std::vector<RunGroup> groups;
    groups.reserve(model->groups.size());
    for (RunGroup& group : model->groups) {
        std::map<int32_t, std::vector<Run>> bySlot;
        const int32_t slot = slotOf[static_cast<size_t>(group.runs.front().sweep)];
        const bool one = std::all_of(group.runs.begin(), group.runs.end(),
                                     [&](const Run& run) { return slotOf[static_cast<size_t>(run.sweep)] == slot; });
        if (one) {
            group.key.sweep = slot;
            groups.push_back(std::move(group));
            continue;
        }
        for (Run& run : group.runs) {
            bySlot[slotOf[static_cast<size_t>(run.sweep)]].push_back(run);
        }
        for (auto& [split, runs] : bySlot) {
            GroupKey key = group.key;
            key.sweep = split;
            groups.push_back({key, std::move(runs)});
        }
    }
    model->groups = std::move(groups);
    finishRuns(model);
}

}  // namespace

std::vector<uint32_t> logSweeps(const std::vector<LogRunPlace>& runs) {
    // The runs of each size, in line order.
    std::map<std::pair<int32_t, int32_t>, uint32_t> sizes;
    std::vector<uint32_t> sizeOf(runs.size());
    std::vector<std::vector<uint32_t>> bySize;
    for (size_t i = 0; i < runs.size(); i++) {
        const auto [at, added] = sizes.emplace(std::pair{runs[i].rows, runs[i].columns}, bySize.size());
        if (added) {
            bySize.emplace_back();
        }
        sizeOf[i] = at->second;
        bySize[at->second].push_back(static_cast<uint32_t>(i));
    }
    std::vector<uint32_t> sweeps(runs.size());
    for (const std::vector<uint32_t>& at : bySize) {
        ordinalsOfSize(runs, at, &sweeps);
    }
    // Each size's sweeps numbered together, in the order they begin.
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> numbers;
    for (size_t i = 0; i < runs.size(); i++) {
        sweeps[i] = numbers.emplace(std::pair{sizeOf[i], sweeps[i]}, static_cast<uint32_t>(numbers.size())).first->second;
    }
    return sweeps;
}

std::vector<int32_t> tellSweepsApart(SweepModel* model, bool pool) {
    std::set<int32_t> sharing;
    for (const RunGroup& group : model->groups) {
        const int32_t first = group.runs.front().sweep;
        const bool one = std::all_of(group.runs.begin(), group.runs.end(),
                                     [&](const Run& run) { return run.sweep == first; });
        for (size_t i = 0; !one && i < group.runs.size(); i++) {
            sharing.insert(group.runs[i].sweep);
        }
    }
    model->apart.clear();
    if (pool || sharing.empty()) {
        return {};
    }
    std::vector<int32_t> slotOf(model->sweeps.size(), 0);
    for (int32_t sweep : sharing) {
        // TRANSLATORS: how a series of one sweep among others is named.
        model->apart.push_back({formatMessage(_("sweep %d"), sweep + 1), {sweep}});
        slotOf[static_cast<size_t>(sweep)] = static_cast<int32_t>(model->apart.size());
    }
    rekeyBySweep(model, slotOf);
    return {sharing.begin(), sharing.end()};
}

void sweepsAsSides(SweepModel* model, const std::vector<std::string>& labels, bool pool) {
    model->apart.clear();
    std::vector<int32_t> slotOf(model->sweeps.size(), 0);
    for (size_t file = 0; file < model->files.size(); file++) {
        std::vector<int32_t> own;
        for (size_t s = 0; s < model->sweeps.size(); s++) {
            if (model->sweeps[s].file == file) {
                own.push_back(static_cast<int32_t>(s));
            }
        }
        for (size_t k = 0; k < own.size(); k++) {
            if (pool && k > 0) {
                model->apart.back().members.push_back(own[k]);
            } else if (pool || own.size() == 1) {
                model->apart.push_back({labels[file], {own[k]}});
            } else {
                model->apart.push_back(
                    {labels[file] + ", " + formatMessage(_("sweep %d"), static_cast<int>(k + 1)), {own[k]}});
            }
            slotOf[static_cast<size_t>(own[k])] = static_cast<int32_t>(model->apart.size());
        }
    }
    rekeyBySweep(model, slotOf);
}

std::string sweepPlace(const SweepModel& model, int32_t sweep) {
    const Sweep& s = model.sweeps[static_cast<size_t>(sweep)];
    const InputFile& file = model.files[s.file];
    if (file.kind == InputKind::json) {
        return file.path;
    }
    // TRANSLATORS: a log file and the lines a sweep spans in it.
    return formatMessage(_("%s, lines %zu-%zu"), file.path.c_str(), s.firstEntry, s.lastEntry);
}
