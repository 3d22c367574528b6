#include "machine/placement.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <tuple>

#include "machine/rangelist.h"

namespace {

constexpr int32_t maxCpu = 65535;

bool parseCpu(std::string_view text, int32_t* cpu) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *cpu);
    return !text.empty() && text.front() != '-' && error == std::errc{} && end == text.data() + text.size() &&
           *cpu <= maxCpu;
}

// Where a hardware thread stands: its package's rank, its core's rank
// within the package and its own rank within the core, each counted in
// the topology's order.
struct Rank {
    int32_t package;
    int32_t core;
    int32_t sibling;
    int32_t cpu;
};

std::vector<Rank> ranks(const Topology& topology) {
    std::map<int32_t, int32_t> packages;   // package -> rank
    std::map<int32_t, int32_t> coresSeen;  // package -> cores ranked so far
    std::map<int32_t, int32_t> cores;      // core -> rank within its package
    std::map<int32_t, int32_t> siblings;   // core -> threads ranked so far
    std::vector<Rank> list;
    for (const HardwareThread& t : topology.threads) {
        const int32_t package =
            packages.emplace(t.package, static_cast<int32_t>(packages.size())).first->second;
        const auto [core, fresh] = cores.emplace(t.core, coresSeen[t.package]);
        if (fresh) {
            coresSeen[t.package]++;
        }
        list.push_back(Rank{package, core->second, siblings[t.core]++, t.cpu});
    }
    return list;
}

}  // namespace

bool parseCpuList(std::string_view text, std::vector<int32_t>* cpus) {
    std::vector<int32_t> parsed;
    for (std::string_view item : listItems(text)) {
        NumberRange range;
        if (!parseNumberRange(item, parseCpu, &range) || range.last < range.first) {
            return false;
        }
        // More entries than the most workers a run has (65536) would never
        // be dealt.
        if (parsed.size() + static_cast<size_t>(range.last - range.first) >= size_t{65536}) {
            return false;
        }
        for (int32_t cpu = range.first; cpu <= range.last; cpu++) {
            parsed.push_back(cpu);
        }
    }
    *cpus = std::move(parsed);
    return true;
}

std::string cpuListText(const std::vector<int32_t>& cpus) {
    std::string text;
    for (size_t i = 0; i < cpus.size();) {
        size_t end = i;
        while (end + 1 < cpus.size() && cpus[end + 1] == cpus[end] + 1) {
            end++;
        }
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(cpus[i]);
        // Two consecutive CPUs read as well either way; three or more as a range.
        if (end >= i + 2) {
            text += '-';
            text += std::to_string(cpus[end]);
        } else {
            end = i;
        }
        i = end + 1;
    }
    return text;
}

std::string placementName(const Placement& placement) {
    std::string name = nameOf(placement.policy, bindPolicyNames);
    if (placement.policy == BindPolicy::list) {
        name += ':';
        name += cpuListText(placement.cpus);
    }
    return name;
}

Topology keepCpus(const Topology& topology, const std::vector<int32_t>& cpus) {
    Topology kept;
    for (const HardwareThread& t : topology.threads) {
        if (std::find(cpus.begin(), cpus.end(), t.cpu) != cpus.end()) {
            kept.threads.push_back(t);
        }
    }
    return kept;
}

std::vector<int32_t> placementOrder(const Topology& topology, const Placement& placement) {
    if (placement.policy == BindPolicy::none) {
        return {};
    }
    if (placement.policy == BindPolicy::list) {
        return placement.cpus;
    }
    std::vector<Rank> order = ranks(topology);
    const bool compact = placement.policy == BindPolicy::compact;
    std::stable_sort(order.begin(), order.end(), [compact](const Rank& a, const Rank& b) {
        return compact ? std::tie(a.package, a.core, a.sibling) < std::tie(b.package, b.core, b.sibling)
                       : std::tie(a.sibling, a.core, a.package) < std::tie(b.sibling, b.core, b.package);
    });
    std::vector<int32_t> cpus;
    for (const Rank& r : order) {
        cpus.push_back(r.cpu);
    }
    return cpus;
}

std::vector<int32_t> planWorkers(const Topology& topology, const Placement& placement, int32_t workers) {
    const std::vector<int32_t> order = placementOrder(topology, placement);
    std::vector<int32_t> plan;
    for (int32_t k = 0; !order.empty() && k < workers; k++) {
        plan.push_back(order[static_cast<size_t>(k) % order.size()]);
    }
    return plan;
}
