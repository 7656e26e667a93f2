#include "check/anti_freeze.h"

T_AntiFreeze& AntiFreeze() {
    static T_AntiFreeze pump;
    return pump;
}
