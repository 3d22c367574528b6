#include "i18n/messages.h"

#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string_view>

#ifndef DIAGSUM_LOCALEDIR
#define DIAGSUM_LOCALEDIR "/usr/local/share/locale"
#endif

namespace {

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder holding the running program; empty when /proc cannot say.
std::string programFolder() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size()) {
        return "";
    }
    path.resize(static_cast<size_t>(length));
    return path.substr(0, path.rfind('/'));
}

}  // namespace

std::string messagesDir() {
    const char* chosen = getenv("DIAGSUM_LOCALEDIR");
    if (chosen != nullptr && *chosen != '\0') {
        return chosen;
    }
    const std::string folder = programFolder();
    if (!folder.empty() && isFolder(folder + "/locale")) {
        return folder + "/locale";
    }
    return DIAGSUM_LOCALEDIR;
}

void initMessages() {
    // LC_CTYPE lets gettext convert the catalog's UTF-8 to the terminal's
    // character set. LC_NUMERIC stays "C".
    setlocale(LC_MESSAGES, "");
    setlocale(LC_CTYPE, "");
    const int saved = errno;
    bindtextdomain("diagsum", messagesDir().c_str());
    textdomain("diagsum");
    // A language chosen with LC_MESSAGES alone leaves LC_CTYPE at "C",
    // whose ASCII would turn every accent into '?' (the C locale has no
    // transliteration). The messages then stay UTF-8, as the program's other
    // texts (the report's "µs" and "×") always are.
    if (std::string_view(nl_langinfo(CODESET)) == "ANSI_X3.4-1968") {
        bind_textdomain_codeset("diagsum", "UTF-8");
    }
    errno = saved;
}
