#include "cli/options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "cli/optiontable.h"

namespace {

// A command line parsed by one of the drivers' parsers, its stderr captured.
template <typename Options>
struct ParsedLine {
    CommandLine result;
    Options options;
    std::string err;
};
using Parsed = ParsedLine<SweepOptions>;
using ParsedSingle = ParsedLine<SingleOptions>;

template <typename Options>
ParsedLine<Options> parseWith(CommandLine (*parse)(int, char**, Options*), const char* program, Options start,
                              std::vector<std::string> args) {
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    ParsedLine<Options> parsed{CommandLine::run, std::move(start), ""};
    testing::internal::CaptureStderr();
    parsed.result = parse(static_cast<int>(args.size()), argv.data(), &parsed.options);
    parsed.err = testing::internal::GetCapturedStderr();
    return parsed;
}

// Parses `args` as diagsum's command line.
Parsed parseSweep(std::vector<std::string> args) {
    return parseWith(parseSweepOptions, "diagsum", defaultSweepOptions(), std::move(args));
}

// Parses `args` as diagsum-single's command line.
ParsedSingle parseSingle(std::vector<std::string> args) {
    return parseWith(parseSingleOptions, "diagsum-single", SingleOptions{}, std::move(args));
}

std::vector<std::string> longNames(Driver driver) {
    std::vector<std::string> names;
    for (const option& entry : getoptTable(driver).longOptions) {
        if (entry.name != nullptr) {
            names.push_back(entry.name);
        }
    }
    return names;
}

std::vector<int32_t> threadList(const char* text) {
    std::vector<int32_t> counts;
    std::string why;
    return parseThreadList(text, &counts, &why) ? counts : std::vector<int32_t>{-1};
}

}  // namespace

TEST(ThreadList, CountsAndRangesInTheOrderGiven) {
    EXPECT_EQ(threadList("1,2,4,8"), (std::vector<int32_t>{1, 2, 4, 8}));
    EXPECT_EQ(threadList("1-3,16,32"), (std::vector<int32_t>{1, 2, 3, 16, 32}));
    EXPECT_EQ(threadList("8,1"), (std::vector<int32_t>{8, 1}));
    EXPECT_EQ(threadList("3-1"), (std::vector<int32_t>{3, 2, 1}));
    EXPECT_EQ(threadList("65536"), (std::vector<int32_t>{65536}));
    EXPECT_EQ(defaultSweepOptions().threadCounts, threadList("1-127"));
}

TEST(ThreadList, RefusesWhatIsNotACountFromOneTo65536) {
    for (const char* bad :
         {"", "0", "65537", "-1", "1,", ",1", "1-", "1--3", "2x", " 4", "1.5", "4294967298", "+3", "1,,2"}) {
        EXPECT_EQ(threadList(bad), std::vector<int32_t>{-1}) << bad;
    }
}

TEST(ThreadList, RefusesACountGivenTwiceNamingIt) {
    const std::pair<const char*, const char*> cases[] = {{"1,2,1", "1"}, {"1-4,3", "3"}, {"8-1,9,1", "1"}};
    for (auto [list, count] : cases) {
        const Parsed p = parseSweep({"-t", list});
        EXPECT_EQ(p.result, CommandLine::refused) << list;
        EXPECT_EQ(std::count(p.err.begin(), p.err.end(), '\n'), 1) << p.err;
        EXPECT_NE(p.err.find(std::string("-t '") + list + "'"), std::string::npos) << p.err;
        EXPECT_NE(p.err.find(std::string("count ") + count + " is given twice"), std::string::npos) << p.err;
    }
    EXPECT_EQ(threadList("1-65536").size(), 65536u);
}

TEST(MatrixSize, ParsesRowsByColumnsWithinInt32AndMemory) {
    int32_t rows = 0;
    int32_t columns = 0;
    std::string why;
    ASSERT_TRUE(parseMatrixSize("120x80", &rows, &columns, &why));
    EXPECT_EQ(rows, 120);
    EXPECT_EQ(columns, 80);
    EXPECT_TRUE(parseMatrixSize("1x100000000", &rows, &columns, &why));
    for (const char* bad :
         {"0x5", "5x0", "-1x5", "5", "5x", "x5", "5x5x5", "5x5 ", "4294967297x1", "500 x 500"}) {
        EXPECT_FALSE(parseMatrixSize(bad, &rows, &columns, &why)) << bad;
    }
    EXPECT_FALSE(parseMatrixSize("2147483647x2", &rows, &columns, &why)) << "diagonals past int32";
    EXPECT_NE(why.find("2147483647"), std::string::npos) << why;
    EXPECT_FALSE(parseMatrixSize("2000000000x1000000", &rows, &columns, &why)) << "8 PB of cells";
    EXPECT_NE(why.find("physical memory"), std::string::npos) << why;
}

TEST(MatrixSize, CountsTheResultSlotsBesideTheCells) {
    // One row: 4 bytes of cells, 8 of result slots and 12 of the sums' text
    // per column; the cells and slots alone would fit.
    const uint64_t memory = static_cast<uint64_t>(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGESIZE);
    const uint64_t columns = std::min<uint64_t>(memory / 20, INT32_MAX);
    if (columns * 24 <= memory) {
        GTEST_SKIP() << "every one-row matrix fits this machine";
    }
    std::string why;
    EXPECT_FALSE(matrixSizeFits(1, static_cast<int32_t>(columns), &why)) << columns << " columns";
}

TEST(SweepCommandLine, OptionsInShortAndLongForms) {
    const Parsed p = parseSweep({"-s", "3x4", "--threads=1,8", "-r", "7", "--warmup", "2", "--no-log",
                                 "--out", "o.txt", "--json", "a.json"});
    ASSERT_EQ(p.result, CommandLine::run) << p.err;
    EXPECT_EQ(p.options.rows, 3);
    EXPECT_EQ(p.options.columns, 4);
    EXPECT_EQ(p.options.threadCounts, (std::vector<int32_t>{1, 8}));
    EXPECT_EQ(p.options.runs, 7);
    EXPECT_EQ(p.options.warmup, 2);
    EXPECT_FALSE(p.options.log);
    EXPECT_EQ(p.options.outPath, "o.txt");
    EXPECT_EQ(p.options.jsonPath, "a.json");
    const Parsed named = parseSweep({"--log", "runs.csv"});
    EXPECT_TRUE(named.options.logNamed);
    EXPECT_EQ(named.options.logPath, "runs.csv");
    EXPECT_EQ(parseSweep({}).options.progress, ProgressChoice::automatic);
    EXPECT_EQ(parseSweep({"--progress"}).options.progress, ProgressChoice::on);
    EXPECT_EQ(parseSweep({"--progress", "--no-progress"}).options.progress, ProgressChoice::off);
}

TEST(SweepCommandLine, RefusalNamesOptionAndValueInOneLine) {
    const Parsed p = parseSweep({"--runs", "10abc"});
    EXPECT_EQ(p.result, CommandLine::refused);
    EXPECT_EQ(
        p.err,
        "diagsum: --runs '10abc' is invalid: use an integer from 1 to 2147483647 (see diagsum --help)\n");
    EXPECT_EQ(parseSweep({"--bogus"}).err, "diagsum: unknown option: --bogus (see diagsum --help)\n");
    EXPECT_EQ(parseSweep({"-r"}).err, "diagsum: option -r needs a value (see diagsum --help)\n");
    EXPECT_EQ(parseSweep({"--no-log=x"}).err,
              "diagsum: option --no-log takes no value (see diagsum --help)\n");
    EXPECT_EQ(parseSweep({"stray"}).err, "diagsum: unexpected argument: 'stray' (see diagsum --help)\n");
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{{"-w", "-1"},
                                                                              {"-r", "0"},
                                                                              {"-r", "4294967297"},
                                                                              {"-t", "0"},
                                                                              {"-s", "0x3"},
                                                                              {"--json", ""},
                                                                              {"-x"}}) {
        EXPECT_EQ(parseSweep(bad).result, CommandLine::refused) << bad[0];
    }
}

TEST(SweepCommandLine, AnOptionIsNeverTakenAsAFileName) {
    const Parsed lacking = parseSweep({"--json", "--no-log", "-r", "1"});
    EXPECT_EQ(lacking.result, CommandLine::refused);
    EXPECT_EQ(lacking.err.rfind("diagsum: --json needs a file name, not '--no-log'", 0), 0u) << lacking.err;
    for (const char* option : {"--log", "--out", "--json"}) {
        EXPECT_EQ(parseSweep({option, "-x"}).result, CommandLine::refused) << option;
        EXPECT_EQ(parseSweep({std::string(option) + "=-x"}).result, CommandLine::refused) << option;
        EXPECT_EQ(parseSweep({option, "./-x"}).result, CommandLine::run) << option;
    }
    EXPECT_EQ(parseSingle({"--out", "--no-log"}).err.rfind("diagsum-single: --out needs a file name", 0), 0u);
    EXPECT_EQ(parseSingle({"--log", "./-x"}).options.logPath, "./-x");
}

TEST(SweepCommandLine, CountersAndContextNeedTheJsonFileTheyRecordInto) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{{"--perf", "task-clock"},
                                                                               {"--context", "k=v"}}) {
        const Parsed alone = parseSweep(args);
        EXPECT_EQ(alone.result, CommandLine::refused) << args[0];
        EXPECT_NE(alone.err.find(args[0] + " records into the JSON file"), std::string::npos) << alone.err;
        args.insert(args.end(), {"--json", "a.json"});
        EXPECT_EQ(parseSweep(args).result, CommandLine::run) << args[0];
    }
}

TEST(SweepCommandLine, StackSizesInBinaryUnitsFromTheSystemsLeastUp) {
    EXPECT_EQ(parseSweep({"--stack-size", "64k"}).options.stackSizes, (std::vector<size_t>{65536}));
    EXPECT_EQ(parseSweep({"--stack-size", "default,1M,8m,100000"}).options.stackSizes,
              (std::vector<size_t>{0, 1 << 20, 8 << 20, 100000}));
    EXPECT_EQ(defaultSweepOptions().stackSizes, (std::vector<size_t>{0}));
    EXPECT_EQ(stackSizeName(65536), "64k");
    EXPECT_EQ(stackSizeName(size_t{1} << 30), "1g");
    EXPECT_EQ(stackSizeName(100000), "100000");
    EXPECT_EQ(stackSizeName(0), "default");
    const long least = sysconf(_SC_THREAD_STACK_MIN);
    EXPECT_EQ(parseSweep({"--stack-size", std::to_string(least)}).result, CommandLine::run);
    for (std::string bad :
         {std::to_string(least - 1), std::string("1k"), std::string("64kb"), std::string("k"),
          std::string("-64k"), std::string("64k,64k"), std::string("64k,65536"),
          std::string("99999999999999999999"), std::string("18014398509481984k"), std::string("")}) {
        const Parsed p = parseSweep({"--stack-size", bad});
        EXPECT_EQ(p.result, CommandLine::refused) << bad;
        EXPECT_EQ(p.err.rfind("diagsum: --stack-size '" + bad + "'", 0), 0u) << p.err;
    }
    // OpenMP gives every team thread of a process one stack size.
    EXPECT_EQ(parseSweep({"--stack-size", "default,64k", "--mode", "spawn,pool"}).result,
              CommandLine::refused);
    EXPECT_EQ(parseSweep({"--stack-size", "64k", "--mode", "pool"}).result, CommandLine::run);
}

TEST(SweepCommandLine, BindPoliciesAndOrders) {
    EXPECT_EQ(parseSweep({"--bind", "scatter"}).options.placement.policy, BindPolicy::scatter);
    const Parsed list = parseSweep({"--bind", "list:0,2-3"});
    EXPECT_EQ(list.options.placement.policy, BindPolicy::list);
    EXPECT_EQ(list.options.placement.cpus, (std::vector<int32_t>{0, 2, 3}));
    const Parsed seeded = parseSweep({"--order", "random:18446744073709551615"});
    EXPECT_EQ(seeded.options.order.order, RunOrder::random);
    EXPECT_TRUE(seeded.options.order.seedGiven);
    EXPECT_EQ(seeded.options.order.seed, UINT64_MAX);
    EXPECT_FALSE(parseSweep({"--order", "random"}).options.order.seedGiven);
    EXPECT_EQ(parseSweep({"--order", "interleaved"}).options.order.order, RunOrder::interleaved);
    for (std::vector<std::string> bad :
         std::vector<std::vector<std::string>>{{"--bind", "tight"},
                                               {"--bind", "list:"},
                                               {"--bind", "list:2-1"},
                                               {"--order", "shuffled"},
                                               {"--order", "random:"},
                                               {"--order", "random:-1"},
                                               {"--order", "random:18446744073709551616"}}) {
        EXPECT_EQ(parseSweep(bad).result, CommandLine::refused) << bad[1];
    }
}

TEST(OptionTable, EachDriverGetsOnlyItsOwnOptionsWithVersionAsV) {
    EXPECT_EQ(longNames(Driver::single),
              (std::vector<std::string>{"size", "threads", "log", "no-log", "out", "help", "version"}));
    EXPECT_EQ(longNames(Driver::sweep).size(), 21u);
    EXPECT_EQ(getoptTable(Driver::single).shortOptions, ":s:t:hV");
    EXPECT_EQ(getoptTable(Driver::sweep).shortOptions, ":s:t:r:w:m:hV");
    EXPECT_EQ(getoptTable(Driver::sweep).longOptions.back().name, nullptr);
}

TEST(SingleCommandLine, SharedOptionsTakenSweepOnlyOnesRefused) {
    const ParsedSingle p = parseSingle({"-s", "3x4", "--threads", "9", "--log", "l.csv", "--out=o.txt"});
    ASSERT_EQ(p.result, CommandLine::run) << p.err;
    EXPECT_TRUE(p.options.sizeGiven);
    EXPECT_EQ(p.options.rows, 3);
    EXPECT_EQ(p.options.columns, 4);
    EXPECT_TRUE(p.options.threadsGiven);
    EXPECT_EQ(p.options.threads, 9);
    EXPECT_EQ(p.options.logPath, "l.csv");
    EXPECT_EQ(p.options.outPath, "o.txt");
    EXPECT_FALSE(parseSingle({"--no-log"}).options.log);
    EXPECT_EQ(parseSingle({"--runs", "3"}).err,
              "diagsum-single: unknown option: --runs (see diagsum-single --help)\n");
    EXPECT_EQ(parseSingle({"-r", "3"}).err,
              "diagsum-single: unknown option: -r (see diagsum-single --help)\n");
    EXPECT_EQ(
        parseSingle({"-t", "1-4"}).err,
        "diagsum-single: -t '1-4' is invalid: use an integer from 1 to 65536 (see diagsum-single --help)\n");
    EXPECT_EQ(parseSingle({"--out", ""}).err,
              "diagsum-single: --out needs a file name (see diagsum-single --help)\n");
}
