// The single run: one complete run with the full console report.
#pragma once

// Takes rows, columns and workers from the settings (or asks for them when
// getInputFromUser is set), sums every diagonal, prints the sizes, every
// diagonal's sum and the processor time in seconds, writes the sums to
// out.txt and, with generateExecutionData, appends the run to infoData.csv.
// Returns 0, or -1 after one line saying why when the input is refused or a
// part of the run cannot be made; nothing is created or written for refused
// input.
int nomain();
