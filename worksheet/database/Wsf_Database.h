// The database functions DAVERAGE to DVARP: (database, field, criteria). The
// database is a range with a header row; the field names its column by
// header text or by number (1 the first); the criteria range selects the
// records (see Db_Criteria.h). The selected records' values in the field
// are combined with the generic operators, so a field that holds values of
// an evaluation mode (gradients, intervals, samples) is aggregated in that
// mode. Numbers and mode values take part (DCOUNTA counts every non-blank
// value); an error among them is the result. A database or criteria that is
// not a range of two rows or more, or a field that names no column, gives
// "#value!". DCOUNT and DCOUNTA without a field count the selected records.
// With no record selected: DAVERAGE, DVARP and DSTDEVP "#div/0!", DVAR and
// DSTDEV below two records too, DGET "#value!" (also for more than one),
// DSUM, DMAX, DMIN and the counts 0, DPRODUCT 1.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_daverage(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dcount(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dcounta(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dget(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dmax(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dmin(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dproduct(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dstdev(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dstdevp(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dsum(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dvar(Value* result, const Value* database, const Value* field, const Value* criteria);
Value* Wsf_dvarp(Value* result, const Value* database, const Value* field, const Value* criteria);
