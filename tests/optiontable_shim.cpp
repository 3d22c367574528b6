// Loaded into a real program with LD_PRELOAD, this stands in for the C
// library's getopt_long: at the program's first call it prints the long
// option table the program's parser hands over, one name per line, and
// ends the program. The tests so learn the options a program really accepts
// from the table itself, not from its help.
#include <unistd.h>

#include <cstdio>

namespace {

// The layout of getopt.h's struct option, declared here because getopt.h
// declares getopt_long itself.
struct LongOption {
    const char* name;
    int hasArgument;
    int* flag;
    int value;
};

}  // namespace

extern "C" int getopt_long(int, char* const*, const char*, const LongOption* options, int*) {
    for (const LongOption* option = options; option != nullptr && option->name != nullptr; option++) {
        printf("%s\n", option->name);
    }
    fflush(stdout);
    _exit(0);
}
