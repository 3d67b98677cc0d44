// The shared areas of the current method set and of the flash exchange words.
#include "flash/flash.hpp"

namespace flash {

MethodSetControl THCTL;
MethodSetPointers MSPTRS;
KValueMethods KMCTL;
PropertyMethods1 PMCTL1;
PropertyMethods2 PMCTL2;
PropertyMethods3 PMCTL3;
PropertyMethods4 PMCTL4;
LoadedBlock LDSTAT;
FlashExchange FLCTL2;
ThermoExchange THDXCH;
StreamFlashControl streamFlashControl;

}  // namespace flash
