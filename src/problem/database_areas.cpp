// The shared areas of the open databases and their tables.
#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"

namespace problem {

ProblemSession DBSESS;
SupportSession DBSUPS;
OldRecord OLDGLB;
OldRecord OLDCAS;
TableHandles DBHNDL;
GlobalTables DBGLOB;
UserProperties USRPRP;
SlotTables SLOTCT;
StreamTables SLOTC2;
UnitTableArea UNSLTC;
ThTable THIDX;
MethodSetSettings THMISC;

StreamPointerSets SRPSET;
CurrentEntityRecord ENTCUR;
UnitContexts UNCURR;
SpecificationContext SPCUR;
ReactionContexts RXCUR;
UnitWorkAreas PAUWRK;

}  // namespace problem
