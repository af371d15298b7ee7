// Coefficient extraction (export ordinals 36 and 37): hands a linear or
// quadratic model's coefficients to an engine's store callback without
// finite differences. When the model's formulas have the recognised shapes
// (SUM, SUMPRODUCT, DOTPRODUCT, MMULT and QUADPRODUCT over variable cells
// and constant cells) the coefficients are read straight from the
// worksheet; otherwise, for an analysed model, the interpreter supplies them.
#pragma once

struct LibraryContext;

// The engine's store callback: (context, the engine's record, row, column,
// coefficient, extra); nonzero to go on. Linear terms: row = constraint row
// counted from 0, column = variable. Quadratic objective terms: row -1 for
// the linear part, else row i and column j of Q. Row and column -1 with 0
// (linear) or -2 and -2 (quadratic) announce that the interpreter takes over.
using CoefficientStore = int (*)(LibraryContext* context, void* record, int row, int column,
                                 double value, void* extra);

// 1 when every row of the model was delivered, else 0.
int Host_extractLinearTerms(LibraryContext* context, void* record, CoefficientStore store,
                            void* extra);
// 1 when the objective's QUADPRODUCT terms were delivered, else 0.
int Host_extractQuadraticTerms(LibraryContext* context, void* record, CoefficientStore store,
                               void* extra);
