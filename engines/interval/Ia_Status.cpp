// Maps the search's ending and the final local run to the engine's status.
#include "engines/interval/Ia_Status.h"

#include "engines/interval/Ia_BranchBound.h"

int Ia_finalStatus(int searchResult, int finalLocal) {
  if (searchResult == IaSearchEvalFailed) return IaStatusSearchEvalFailed;
  if (searchResult == IaSearchUnbounded) return StatusUnbounded;
  if (finalLocal == StatusInfeasible) return StatusInfeasible;
  if (searchResult == IaSearchEmptyNoIncumbent && !Eng_isLocalSolution(finalLocal))
    return StatusInfeasible;
  if (searchResult == IaSearchWide) return IaStatusWideResult;
  if (searchResult == IaSearchNoProgress) return StatusNoProgress;
  return StatusSolved;
}
