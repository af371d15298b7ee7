// Depreciation of an asset: straight line (SLN), sum of years' digits
// (SYD), fixed declining balance (DB), double or variable declining balance
// (DDB, VDB) and the prorated linear and degressive schedules (AMORLINC,
// AMORDEGRC). SLN, SYD and DB compute with the generic operators, so cost
// and salvage may be of any evaluation-mode kind; the others work on plain
// numbers. A salvage of 0 depreciates the whole cost.
#pragma once

#include "values/Val_Value.h"

// (cost - salvage) / life.
Value* Wsf_sln(Value* result, const Value* cost, const Value* salvage, const Value* life);
// (cost - salvage) (life - per + 1) 2 / ((life + 1) life).
Value* Wsf_syd(Value* result, const Value* cost, const Value* salvage, const Value* life, const Value* per);
// DB(cost, salvage, life, period, [month]): the fixed rate
// 1 - (salvage / cost)^(1 / life), the first year prorated by month / 12.
Value* Wsf_db(Value* result, int argc, const Value* const* argv);
// DDB(cost, salvage, life, period, [factor]): factor / life of the value
// left each period, never below the salvage.
Value* Wsf_ddb(Value* result, int argc, const Value* const* argv);
// VDB(cost, salvage, life, start_period, end_period, [factor],
// [no_switch]): the declining balance from start to end, catching up with
// the straight line unless no_switch; fractional periods prorated.
Value* Wsf_vdb(Value* result, int argc, const Value* const* argv);
// AMORLINC and AMORDEGRC(cost, date_purchased, first_period, salvage,
// period, rate, [basis]): the first period prorated by the day count to its
// end; AMORDEGRC multiplies the rate by a coefficient of the life and
// rounds to whole units.
Value* Wsf_amorlinc(Value* result, int argc, const Value* const* argv);
Value* Wsf_amordegrc(Value* result, int argc, const Value* const* argv);
