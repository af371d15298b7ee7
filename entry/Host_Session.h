// Run session: the frame around an analysis or an engine run. Its begin
// reads everything the host services serve (run mode, the front end's
// names, variable cells, scenario table, constraints, elastic variables of
// feasibility mode) and switches the application's calculation to manual;
// its end writes the scenario rows back, restores the application and
// releases it all. The variable cells' prior values (entry/Sess_Variables.h)
// are saved at begin and outlive the session until `Solve` keeps or
// restores them.
#pragma once

struct LibraryContext;

// Export ordinals 11 and 12: 1 on success, 0 on failure (end always 1).
int Host_beginSession(LibraryContext* context);
int Host_endSession(LibraryContext* context);
