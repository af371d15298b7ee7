// Command-line front end: plays the add-in workbook that drives the library
// and offers the `corvan` commands (solve, analyse, models, engines, recalc).
#pragma once

// Runs one `corvan` command line; returns the process exit status.
int Fe_main(int argc, char** argv);

// Gives the stand-in's calculation, once per process, every worksheet
// function of the library's function list that it has no built-in for, and
// the simulation add-in's functions by every name they have (registered
// through the callback interface, as an add-in registers its functions):
// each computes through the library's own implementation in plain value
// mode. False when the callback interface refused one of the add-in's
// names. Fe_main has it called when a formula first needs one (see
// Fe_registerFunctionsWhenNeeded); a program that drives the stand-in
// without Fe_main calls it before opening a workbook.
bool Fe_registerFunctions();
// Leaves Fe_registerFunctions to the first formula that names a function
// the stand-in neither has built in nor has registered, so that a workbook
// that calls none of them does not pay for registering them all. Called
// before any workbook is opened.
void Fe_registerFunctionsWhenNeeded();
