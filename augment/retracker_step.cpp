#include "augment/retracker_step.h"

int32_t runRetrackerStep(BValue& /*root*/) {
    return 0;
}
