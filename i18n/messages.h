// Messages in the user's language. The interface's own messages (help,
// refusals, warnings, the report) are written in English and looked up in
// the message catalog of the user's language; the program's console texts
// that stored outputs and callers rely on are never translated.
//
// The language follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG as in every
// gettext program. Only the messages' category (and the character set) is
// taken from the environment: numbers keep the C locale's decimal point in
// every language, so stdout, the log and the JSON never change with it.
//
// The catalog, <dir>/<language>/LC_MESSAGES/diagsum.mo, is looked up in the
// first of these folders:
//   1. $DIAGSUM_LOCALEDIR, when set and not empty (tests, a moved install);
//   2. <folder of the running program>/locale, when it is a folder: the
//      build tree, where the build compiles the catalogs;
//   3. the installed prefix's share/locale, fixed when the program is built.
// A language without a catalog, or no catalog at all, shows the English text.
#pragma once

#include <libintl.h>

#include <cstdarg>
#include <cstdio>
#include <string>

// An interface message, in the user's language.
#define _(text) gettext(text)
// Marks a message for the catalog where it is only stored; translate it with
// _() where it is shown.
#define N_(text) text

// Takes the messages' language and character set from the environment and
// opens the program's catalog. Each program calls it first thing in main;
// never changes the numeric locale.
void initMessages();

// The folder the catalog is looked up in (see above).
std::string messagesDir();

// printf into a std::string, for messages assembled from a translated format
// (a translation may reorder the arguments with "%1$s"-style positions).
// Inline, so modules that build messages need no object beyond their own.
__attribute__((format(printf, 1, 2))) inline std::string formatMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}
