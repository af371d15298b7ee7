// The import of models written for other add-ins into the reader's model:
// the variables, items, rewritten formulas and registered laws and
// correlations that the importers of the simulation library build.
#pragma once

#include <cstdint>

struct FormulaReader;

// Runs the imports the reader's options ask for (simulation definitions
// first, then markers) over the source's workbook; what they found, or why
// one failed, goes to the reader's report. False when one failed.
bool Import_run(FormulaReader* reader, uint32_t options);
