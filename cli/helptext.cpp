#include "cli/helptext.h"

#include <cstdio>

#include "i18n/messages.h"

namespace {

const char sweepUsage[] =
    N_("Usage: diagsum [options]\n"
       "Measures how much processor time (and how much wall time) T threads take to sum\n"
       "every diagonal of a matrix of ones. No options: 500x500, 1 to 127 threads, 50 runs.\n"
       "\n"
       "Options:\n"
       "  -s, --size ROWSxCOLUMNS    matrix size (default 500x500)\n"
       "  -t, --threads LIST         thread counts, in the order given: 1-127 (default),\n"
       "                             1,2,4,8 or 1-8,16,32; from 1 to 65536\n"
       "  -r, --runs N               measured runs per count (default 50)\n"
       "  -w, --warmup N             unmeasured runs before each count (default 0)\n"
       "  -m, --mode LIST            spawn (default: threads created and joined in each run),\n"
       "                             pool (threads created once per count) or spawn,pool\n"
       "                             (alternating run by run)\n"
       "      --log FILE             log of the runs (default infoData.csv)\n"
       "      --no-log               do not log the runs\n"
       "      --out FILE             sums of the last run (default out.txt)\n"
       "      --json FILE            every run in Google Benchmark's JSON format\n"
       "      --progress, --no-progress\n"
       "                             show (or hide) the progress line on stderr; shown by default\n"
       "                             only when stderr is a terminal\n"
       "  -h, --help                 show this help\n"
       "  -V, --version              show the version\n"
       "\n"
       "Prints one line \"T - mean\" per count: the mean processor ticks\n"
       "(clock(), all threads) of the measured runs.\n");

const char sweepShapeUsage[] =
    N_("\n"
       "How the runs are made:\n"
       "      --stack-size LIST      each worker's stack: default (the system's), 64k, 1m, 8m or bytes;\n"
       "                             several, such as default,64k, alternate run by run\n"
       "      --bind POLICY          where the workers run: none (default), compact, scatter or\n"
       "                             list:CPUS (such as list:0,2,4-7, dealt round-robin)\n"
       "      --order ORDER          sequential (default), interleaved (the counts take turns) or\n"
       "                             random[:SEED] (the whole sweep shuffled)\n"
       "      --split LIST           how the diagonals are dealt: round-robin (default), blocks\n"
       "                             (one range per worker) or dynamic (the next one free); several,\n"
       "                             such as round-robin,blocks, alternate run by run\n"
       "      --invocations K        make the sweep with K fresh processes, one after another,\n"
       "                             each making its share of every count's runs (default 1)\n");

const char sweepCounterUsage[] =
    N_("\n"
       "Counters and context (in the JSON file):\n"
       "      --perf LIST            also count these perf events per run, e.g.\n"
       "                             task-clock,context-switches,cpu-migrations,page-faults,\n"
       "                             cycles,instructions,cache-misses (off by default:\n"
       "                             counting makes thread starts dearer)\n"
       "      --context KEY=VALUE    add KEY=VALUE to the JSON context; repeatable\n");

const char sweepTraceUsage[] =
    N_("\n"
       "What each worker did:\n"
       "      --trace FILE           record when each worker started and ended and its processor\n"
       "                             time in every run; FILE gets, per count, the run nearest the\n"
       "                             median as a Chrome trace (Perfetto, speedscope), and the JSON\n"
       "                             file each run's start latency, busy time and balance\n");

const char singleUsage[] =
    N_("Usage: diagsum-single [options]\n"
       "One run with the full report: sizes, the sum of each diagonal and the\n"
       "processor time.\n"
       "\n"
       "Options:\n"
       "  -s, --size ROWSxCOLUMNS    matrix size\n"
       "  -t, --threads N            thread count, from 1 to 65536\n"
       "      --log FILE             log of the run (default infoData.csv)\n"
       "      --no-log               do not log the run\n"
       "      --out FILE             sums of the diagonals (default out.txt)\n"
       "  -h, --help                 show this help\n"
       "  -V, --version              show the version\n");

}  // namespace

void printHelp(Driver driver) {
    if (driver == Driver::single) {
        fputs(_(singleUsage), stdout);
        return;
    }
    fputs(_(sweepUsage), stdout);
    fputs(_(sweepShapeUsage), stdout);
    fputs(_(sweepCounterUsage), stdout);
    fputs(_(sweepTraceUsage), stdout);
}
