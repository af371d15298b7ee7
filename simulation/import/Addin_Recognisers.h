// The three recognisers of other simulation add-ins' models that the
// simulation import runs in order: lists of outputs and parameters in
// defined names, per-sheet definitions of forecasts, assumptions,
// correlations and decisions, and cells calling output statistics.
#pragma once

#include "simulation/import/Addin_Import.h"

bool Addin_recogniseListNames(AddinWorkbook* book, AddinModel* model, AddinReport* report);
bool Addin_importSheetDefinitions(AddinWorkbook* book, AddinModel* model, AddinReport* report);
bool Addin_markStatisticCells(AddinWorkbook* book, AddinModel* model, AddinReport* report);
