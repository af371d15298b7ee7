// Calls of the securities functions on plain numbers, dates as serials and
// the yields' accuracy, for the securities tests.
#pragma once

#include <cmath>
#include <initializer_list>
#include <vector>

#include "tests/worksheet/TestCaller.h"
#include "values/Fn_Ids.h"
#include "worksheet/dates/Date_Serial.h"

inline double day(int y, int m, int d) { return static_cast<double>(Date_toSerial(y, m, d)); }

// Brent's method under the financial functions' tolerance finds a yield to
// within this.
constexpr double kYieldAccuracy = 1e-7;

struct SecurityCaller : Caller {
  // The function's answer to plain numbers.
  const Value* on(int32_t id, std::initializer_list<double> xs) {
    std::vector<const Value*> args;
    for (double x : xs) args.push_back(num(x));
    return call(id, args);
  }
  // Its number, NaN for anything else.
  double value(int32_t id, std::initializer_list<double> xs) { return numberOf(on(id, xs)); }
  bool fails(int32_t id, std::initializer_list<double> xs, uint32_t code) { return isError(on(id, xs), code); }
};
