// The placement planner on machines described to hwloc (synthetic and a
// recorded XML whose CPU numbers alternate between packages), and on this
// machine's own CPUs.
#include "machine/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "machine/binding.h"
#include "machine/topology.h"

namespace {

Topology synthetic(const char* description) {
    Topology topology;
    std::string why;
    EXPECT_TRUE(readSyntheticTopology(description, &topology, &why)) << why;
    return topology;
}

std::vector<int32_t> order(const Topology& topology, BindPolicy policy) {
    return placementOrder(topology, Placement{policy, {}});
}

using Cpus = std::vector<int32_t>;

}  // namespace

TEST(Placement, CompactFillsCoresThenPackagesAndScatterSpreadsOverCoresFirst) {
    const Topology onePackage = synthetic("package:1 core:4 pu:2");
    EXPECT_EQ(order(onePackage, BindPolicy::compact), (Cpus{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(order(onePackage, BindPolicy::scatter), (Cpus{0, 2, 4, 6, 1, 3, 5, 7}));

    const Topology twoPackages = synthetic("package:2 core:2 pu:2");
    EXPECT_EQ(order(twoPackages, BindPolicy::compact), (Cpus{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(order(twoPackages, BindPolicy::scatter), (Cpus{0, 4, 2, 6, 1, 5, 3, 7}));

    // Package 0 holds CPUs 0, 2, 4, 6 (cores {0, 4} and {2, 6}), package 1
    // the odd ones, as many two-socket machines number them.
    Topology interleaved;
    std::string why;
    ASSERT_TRUE(readXmlTopology(TOPOLOGY_DIR "/interleaved.xml", &interleaved, &why)) << why;
    EXPECT_EQ(order(interleaved, BindPolicy::compact), (Cpus{0, 4, 2, 6, 1, 5, 3, 7}));
    EXPECT_EQ(order(interleaved, BindPolicy::scatter), (Cpus{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(Placement, PlansOnlyOverTheCpusKeptAndDealsRoundRobin) {
    // One core of each package may be used.
    const Topology kept = keepCpus(synthetic("package:2 core:2 pu:2"), {0, 1, 4, 5});
    EXPECT_EQ(order(kept, BindPolicy::compact), (Cpus{0, 1, 4, 5}));
    EXPECT_EQ(order(kept, BindPolicy::scatter), (Cpus{0, 4, 1, 5}));
    EXPECT_EQ(planWorkers(kept, Placement{BindPolicy::scatter, {}}, 6), (Cpus{0, 4, 1, 5, 0, 4}));
    EXPECT_EQ(planWorkers(kept, Placement{BindPolicy::list, {3, 1}}, 3), (Cpus{3, 1, 3}));
    EXPECT_TRUE(planWorkers(kept, Placement{}, 3).empty());
}

TEST(Placement, CpuListsReadAndWrittenBack) {
    Cpus cpus;
    ASSERT_TRUE(parseCpuList("0,2,4-7", &cpus));
    EXPECT_EQ(cpus, (Cpus{0, 2, 4, 5, 6, 7}));
    EXPECT_EQ(cpuListText(cpus), "0,2,4-7");
    EXPECT_EQ(cpuListText({0, 1, 3}), "0,1,3");
    EXPECT_EQ(placementName(Placement{BindPolicy::list, {1, 0}}), "list:1,0");
    for (const char* bad : {"", "1,", "3-1", "-1", "a", "1-", "65536", "0x1"}) {
        EXPECT_FALSE(parseCpuList(bad, &cpus)) << bad;
    }
}

TEST(Placement, ThisMachineOffersOnlyTheCpusThisProcessMayUse) {
    Topology machine;
    std::string why;
    ASSERT_TRUE(readMachineTopology(&machine, &why)) << why;
    const Cpus allowed = allowedCpus();
    ASSERT_FALSE(machine.threads.empty());
    for (const HardwareThread& t : machine.threads) {
        EXPECT_TRUE(std::binary_search(allowed.begin(), allowed.end(), t.cpu)) << t.cpu;
    }
    // A process limited to its first CPU plans over that one alone.
    EXPECT_EQ(order(keepCpus(machine, {allowed.front()}), BindPolicy::scatter), Cpus{allowed.front()});
}
