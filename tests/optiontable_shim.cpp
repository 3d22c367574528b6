// Loaded into a real program with LD_PRELOAD, this stands in for the C
// library's getopt_long: at the program's first call it prints the long
// option table the program's parser hands over, one name per line, and
// ends the program. The tests so learn the options a program really accepts
// from the table itself, not from its help. With OPTIONTABLE_SHORT set it
// prints the short letters instead, one per line, each followed by ':' when
// it takes a value, as getopt's option string has them.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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

extern "C" int getopt_long(int, char* const*, const char* shortOptions, const LongOption* options, int*) {
    if (getenv("OPTIONTABLE_SHORT") != nullptr) {
        // The leading ':' only asks for quiet errors; it is no option.
        for (const char* letter = shortOptions + (*shortOptions == ':'); *letter != '\0'; letter++) {
            printf(letter[1] == ':' ? "%c:\n" : "%c\n", *letter);
            letter += letter[1] == ':';
        }
        fflush(stdout);
        _exit(0);
    }
    for (const LongOption* option = options; option != nullptr && option->name != nullptr; option++) {
        printf("%s\n", option->name);
    }
    fflush(stdout);
    _exit(0);
}
