// diagsum-single: one run with the full console report.
#include "app/main.h"

int main(int argc, char** argv) {
    return singleMain(argc, argv);
}
