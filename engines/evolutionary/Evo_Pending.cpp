// Stand-ins for the repair of infeasible children and the local search
// until they are built: the repair never succeeds and no search is made.
#include "engines/evolutionary/Evo_Engine.h"

int Evo_repair(EvoRecord&, double*, const EvoMember*, double*, int) { return EvoRejected; }

int Evo_localSearch(EvoRecord&, double*, double*, bool) { return EvoRejected; }
