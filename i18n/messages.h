// Messages in the user's language. The interface's own messages (help,
// refusals, warnings, the report) are written in English and looked up in
// the message catalog of the user's language; the program's console texts
// that stored outputs and callers rely on are never translated.
#pragma once

#include <libintl.h>

// An interface message, in the user's language.
#define _(text) gettext(text)
// Marks a message for the catalog where it is only stored; translate it with
// _() where it is shown.
#define N_(text) text
