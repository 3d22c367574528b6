// diagsum-single: one run with the full console report.
#include "app/main.h"
#include "i18n/messages.h"

int main(int argc, char** argv) {
    initMessages();
    return singleMain(argc, argv);
}
