// Worksheet-function names as the user reads them. Files store the newer
// functions with a prefix ("_xlfn.NORM.DIST"), which no message shows; and
// several newer functions are older ones renamed, which the function list
// holds under the older name only.
#pragma once

#include <string>

// The name without the prefixes files give it, in capitals, as typed:
// "_xlfn.stdev.s" gives "STDEV.S", and "_xlfn.SINGLE" (the implicit
// intersection operator) "@".
std::string Fn_typedName(const std::string& stored);
// The older name, in capitals, under which the function list calculates the
// same function as `name` (typed or stored, any case): "NORMDIST" for
// "NORM.DIST"; "" when the list holds it under no other name.
std::string Fn_olderName(const std::string& name);
// Where that older name computes only one form of the function's
// "cumulative" argument (LOGNORMDIST is LOGNORM.DIST with TRUE): true, with
// the argument's place from 0 in *at and the form in *cumulative; false
// where the two compute the same for every call, or there is no older name.
bool Fn_olderNameTakesOneForm(const std::string& name, int* at, bool* cumulative);
// Whether the interpreter calculates the function of a stored name (any
// case): the list knows it and a call of it computes.
bool Fn_isCalculated(const std::string& stored);
