#pragma once
// A real desktop keyring for tests: the private session bus with an unlocked gnome-keyring that
// the CTest fixture "keyring" starts (tests/support/keyring_fixture.sh). Use from a test's
// CMakeLists.txt with "PROPERTIES FIXTURES_REQUIRED keyring" and call UseTestKeyring() before
// the first keyring operation of the process.

// Points this process at the fixture's session bus; false when the fixture is not running.
bool UseTestKeyring();
// Points this process at a session bus that does not exist: no keyring at all.
void UseNoKeyring();
