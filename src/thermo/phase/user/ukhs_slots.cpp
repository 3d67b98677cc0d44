// The user routine slots UKHS1 to UKHS15 of the user-added thermodynamic methods 901 to
// 915, as shipped: placeholders that show the notice box naming the slot and stop the run.
//
// A site puts its own method in a slot by replacing the slot's routine here (it reads its
// request from UKHCOM, or UKHOLD, and UKHDAT, and writes its answers and IUFLAG back; see
// thermo/phase/user_methods.hpp), or at run time through phase::setUserRoutine.
#include "thermo/phase/user_methods.hpp"

namespace phase {
namespace {

// The thermodynamic slots stop the run after the notice.
constexpr std::int32_t kStoppingKind = 3;

}  // namespace

void UKHS1() { USRDUM(kStoppingKind, "UKHS1 "); }
void UKHS2() { USRDUM(kStoppingKind, "UKHS2 "); }
void UKHS3() { USRDUM(kStoppingKind, "UKHS3 "); }
void UKHS4() { USRDUM(kStoppingKind, "UKHS4 "); }
void UKHS5() { USRDUM(kStoppingKind, "UKHS5 "); }
void UKHS6() { USRDUM(kStoppingKind, "UKHS6 "); }
void UKHS7() { USRDUM(kStoppingKind, "UKHS7 "); }
void UKHS8() { USRDUM(kStoppingKind, "UKHS8 "); }
void UKHS9() { USRDUM(kStoppingKind, "UKHS9 "); }
void UKHS10() { USRDUM(kStoppingKind, "UKHS10"); }
void UKHS11() { USRDUM(kStoppingKind, "UKHS11"); }
void UKHS12() { USRDUM(kStoppingKind, "UKHS12"); }
void UKHS13() { USRDUM(kStoppingKind, "UKHS13"); }
void UKHS14() { USRDUM(kStoppingKind, "UKHS14"); }
void UKHS15() { USRDUM(kStoppingKind, "UKHS15"); }

}  // namespace phase
