#pragma once
// The timed check: which account it takes next and how long it waits between checks.

#include <cstddef>
#include <cstdint>

// The wait before the first check after the main window went away.
constexpr int kFirstCheckMs = 8000;
// The wait between checks: shorter with several accounts, so each is seen often enough.
constexpr int kManyAccountsCheckMs = 18000;
constexpr int kOneAccountCheckMs = 38000;

int CheckIntervalMs(std::size_t accountCount);

// The index of the account to check now: `next` while it is an index of the list, else the
// first account (the list shrank, or the round is over).
std::int32_t AccountToCheck(std::int32_t next, std::size_t accountCount);
