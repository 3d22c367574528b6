#include "cli/version.h"

#include <cstdio>

#include "i18n/messages.h"

#ifndef DIAGSUM_VERSION
#define DIAGSUM_VERSION "0"
#endif

std::string versionText(const char* program) {
    std::string text = std::string(program) + " " + DIAGSUM_VERSION + "\n";
    text += "Copyright (C) 2026 diagsum developers.\n";
    text += _("License MIT: <https://opensource.org/licenses/MIT>.\n"
              "This is free software: you are free to change and redistribute it.\n"
              "There is NO WARRANTY, to the extent permitted by law.\n");
    return text;
}

void printVersion(const char* program) {
    fputs(versionText(program).c_str(), stdout);
}
