// diagsum-single: one run with the full console report.
#include "app/main.h"

int main() {
    return nomain();
}
