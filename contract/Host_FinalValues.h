// The receiver through which the library hands the front end its
// interpreter's values of the model's cells at the point a run ended, before
// it frees the model, so that the front end's final check need not compile
// the model a second time. The front end registers it once (ordinal 96).
#pragma once

struct Value;

// A cell's value (sheet, row and column 1-based, the sheet by its place in
// the workbook), or, with value null, word to forget every value handed
// back before: each Solve call that opens a session starts with it.
using FinalValueSink = void (*)(void* user, int sheet, int row, int column, const Value* value);

constexpr int kFinalValueSinkOrdinal = 96;
