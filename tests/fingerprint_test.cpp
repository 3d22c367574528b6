// The machine's fingerprint read from a recorded /sys and /proc tree, facts
// that cannot be read, and the warnings before a sweep.
#include <gtest/gtest.h>

#include <filesystem>

#include "machine/fingerprint.h"

namespace {

const std::string recorded = std::string(DIAGSUM_TEST_DATA) + "/machine";

}  // namespace

TEST(Fingerprint, ReadsTopologyFrequencyPolicyLoadAndLimitsFromARecordedTree) {
    const MachineFingerprint m = readMachineFingerprint(recorded);
    EXPECT_EQ(m.cpuModel, "Recorded CPU @ 2.00GHz");
    EXPECT_EQ(m.hardwareThreads, 4);
    EXPECT_EQ(m.packages, 2);
    EXPECT_EQ(m.cores, 2) << "core 0 of each package is a different core";
    EXPECT_EQ(m.threadsPerCore, 2);
    EXPECT_EQ(m.numaNodes, 2);
    EXPECT_EQ(m.governor, "powersave");
    EXPECT_EQ(m.boost, "on");
    EXPECT_EQ(m.maxMapCount, 65530);
    ASSERT_TRUE(m.load.known);
    EXPECT_DOUBLE_EQ(m.load.one, 3.5);
    EXPECT_DOUBLE_EQ(m.load.fifteen, 1.0);
}

TEST(Fingerprint, WhatCannotBeReadIsUnknownNeverAFailure) {
    const MachineFingerprint m = readMachineFingerprint(recorded + "/no-such-root");
    EXPECT_EQ(m.cpuModel, "unknown");
    EXPECT_EQ(m.governor, "unknown");
    EXPECT_EQ(m.boost, "unknown");
    EXPECT_FALSE(m.packages || m.cores || m.hardwareThreads || m.threadsPerCore || m.numaNodes || m.maxMapCount);
    EXPECT_FALSE(m.load.known);
    EXPECT_TRUE(measurementWarnings(m).empty()) << "no warning from facts not read";
    EXPECT_FALSE(cpuListCount("0-"));
    EXPECT_FALSE(cpuListCount("3-1"));
    EXPECT_EQ(cpuListCount("0-3,8,10-11"), 7);
}

TEST(Fingerprint, WarnsOfAHighLoadAndAGovernorOtherThanPerformance) {
    MachineFingerprint m = readMachineFingerprint(recorded);
    m.load.one = 4.5;  // more than one task per processor
    std::vector<std::string> warnings = measurementWarnings(m);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("4.50 on 4 processors"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("'powersave'"), std::string::npos) << warnings[1];
    m.load.one = 3.9;  // below one task per processor
    m.governor = "performance";
    EXPECT_TRUE(measurementWarnings(m).empty());
}

TEST(ProcessFacts, KeepsOnlyTheVariablesThatChangeTheMeasurementSorted) {
    char* environment[] = {const_cast<char*>("PATH=/bin"), const_cast<char*>("OMP_NUM_THREADS=4"),
                           const_cast<char*>("GLIBC_TUNABLES=glibc.pthread.stack_cache_size=0"),
                           const_cast<char*>("GOMP_SPINCOUNT=10"), const_cast<char*>("XOMP_=1"), nullptr};
    const ProcessFacts facts = readProcessFacts(environment);
    ASSERT_EQ(facts.environment.size(), 3u);
    EXPECT_EQ(facts.environment[0].first, "GLIBC_TUNABLES");
    EXPECT_EQ(facts.environment[0].second, "glibc.pthread.stack_cache_size=0");
    EXPECT_EQ(facts.environment[2].first, "OMP_NUM_THREADS");
    EXPECT_NE(facts.glibcVersion, "unknown");
    EXPECT_GT(facts.threadStackBytes.value_or(0), 0);
}
