// The temporary files being written, known to the signal handlers: a signal
// that ends the program at once removes them first, so that it leaves no
// half-written file behind. For the writers of temporaries (outputs/replace)
// and the handlers (outputs/stopsignals).
#pragma once

#include <string>

// Registers `path` before the file is created; returns its slot, or -1 when
// every slot is taken (the program never writes that many at once).
int registerTemporary(const std::string& path);

// Forgets the slot (the file was renamed or removed); -1 is left alone.
void releaseTemporary(int slot);

// Removes every registered file. Async-signal-safe: for the handlers only.
void removeRegisteredTemporaries();
