#include "check/check_schedule.h"

int CheckIntervalMs(std::size_t accountCount) {
    return accountCount > 1 ? kManyAccountsCheckMs : kOneAccountCheckMs;
}

std::int32_t AccountToCheck(std::int32_t next, std::size_t accountCount) {
    if (next < 0 || static_cast<std::size_t>(next) >= accountCount) return 0;
    return next;
}
