#include "plan/sweepsetup.h"

#include <algorithm>
#include <cstdio>

#include "i18n/messages.h"
#include "machine/topology.h"

namespace {

bool refuseSetup(const std::string& what) {
    fprintf(stderr, "diagsum: %s\n", what.c_str());
    return false;
}

// The CPU order of the placement, planned over the CPUs the process may
// use.
bool planPlacement(const Placement& placement, std::vector<int32_t>* order) {
    const std::string option = "--bind " + placementName(placement);
    if (placement.policy == BindPolicy::list) {
        const std::vector<int32_t> allowed = allowedCpus();
        for (int32_t cpu : placement.cpus) {
            if (!std::binary_search(allowed.begin(), allowed.end(), cpu)) {
                return refuseSetup(option + ": " +
                                   formatMessage(_("CPU %d is not one this process may use (%s)"), cpu,
                                                 cpuListText(allowed).c_str()));
            }
        }
        *order = placement.cpus;
        return true;
    }
    Topology topology;
    std::string why;
    if (!readMachineTopology(&topology, &why)) {
        return refuseSetup(option + ": " + why);
    }
    *order = placementOrder(topology, placement);
    if (order->empty()) {
        return refuseSetup(option + ": " + _("hwloc shows no CPU this process may use"));
    }
    return true;
}

}  // namespace

std::vector<Variant> sweepVariants(const SweepOptions& options) {
    std::vector<Variant> variants;
    for (size_t stack = 0; stack < options.stackSizes.size(); stack++) {
        for (Split split : options.splits) {
            for (RunMode mode : options.modes) {
                variants.push_back(Variant{mode, stack, split});
            }
        }
    }
    return variants;
}

bool variantInDefaultLog(const SweepOptions& options, const Variant& variant) {
    return variant.mode == RunMode::spawn && options.stackSizes[variant.stack] == 0 &&
           options.placement.policy == BindPolicy::none && variant.split == defaultSplit;
}

bool setUpSweep(const SweepOptions& options, SweepSetup* setup) {
    setup->variants = sweepVariants(options);
    if (options.placement.policy != BindPolicy::none) {
        std::vector<int32_t> order;
        if (!planPlacement(options.placement, &order)) {
            return false;
        }
        if (!makeCpuMasks(order, &setup->masks)) {
            return refuseSetup(_("cannot allocate the workers' CPU masks"));
        }
        setup->bound = true;
    }
    const PlanShape shape{options.threadCounts.size(), setup->variants.size(), options.runs, options.warmup};
    const bool random = options.order.order == RunOrder::random;
    setup->seed = options.order.seedGiven ? options.order.seed : random ? drawSeed() : 0;
    if (!makeRunPlan(shape, options.order.order, setup->seed, &setup->plan)) {
        if (!random) {
            return refuseSetup(_("the sweep would make more runs than can be counted"));
        }
        return refuseSetup(
            formatMessage(_("--order random: a random order shuffles at most %llu runs, warmups "
                            "included; this sweep makes %llu"),
                          static_cast<unsigned long long>(maxShuffledRuns),
                          static_cast<unsigned long long>(plannedRunCount(shape))));
    }
    if (random && !options.order.seedGiven) {
        fprintf(stderr, _("diagsum: runs in random order, seed %llu (repeat it with --order random:%llu)\n"),
                static_cast<unsigned long long>(setup->seed), static_cast<unsigned long long>(setup->seed));
    }
    return true;
}

std::string variantLabel(const SweepOptions& options, const Variant& variant) {
    std::string label = options.modesNamed ? runModeName(variant.mode) : "";
    if (options.stackSizes.size() > 1) {
        label += label.empty() ? "stack:" : " stack:";
        label += stackSizeName(options.stackSizes[variant.stack]);
    }
    if (options.splits.size() > 1) {
        label += label.empty() ? "split:" : " split:";
        label += splitName(variant.split);
    }
    return label;
}
