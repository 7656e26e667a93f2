#include "cli/commands.h"

#include <exception>
#include <new>

#include "cli/list_mailbox.h"

namespace {

constexpr const char* kUsage =
    "Usage: tarnwick-check [--help | --list EMAIL]\n"
    "\n"
    "Checks every enabled account of vellmoor.ini once, in list order, and keeps the run\n"
    "state there as the timed check does. vellmoor.ini lives beside the program, or in\n"
    "$XDG_CONFIG_HOME/tarnwick (~/.config/tarnwick) when the program is installed.\n"
    "Prints one line per account, the fields separated by tabs: the e-mail address, the\n"
    "number of messages (\"-\" when the check failed), the change since the last check,\n"
    "and \"OK\" or the error. A disabled account prints \"-\", 0 and \"disabled\".\n"
    "\n"
    "--list EMAIL lists the mailbox of the account with that address (enabled or not),\n"
    "newest message first, one line per message with the fields separated by tabs:\n"
    "\"*\" for suspected spam or nothing, date, sender, subject, size and number.\n"
    "It deletes nothing.\n"
    "\n"
    "Exit status: 0 when every enabled account was checked, 1 when a check failed,\n"
    "2 for bad usage.\n"
    "\n"
    "Environment: TARNWICK_CA_FILE names one more file of trusted certificate\n"
    "authorities (PEM); TARNWICK_READ_TIMEOUT_MS shortens the 60 s read time-out.\n";

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        // The modes: one branch each.
        if (args.empty()) return CheckAllAccounts(out);
        if (args.size() == 2 && args[0] == "--list") return ListMailbox(args[1], out, err);
        if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
            out << kUsage;
            return kExitOk;
        }
    } catch (const std::bad_alloc&) {
        err << "tarnwick-check: " << kOutOfMemory << '\n';
        return kExitFailed;
    } catch (const std::exception& error) {
        err << "tarnwick-check: " << error.what() << '\n';
        return kExitFailed;
    }
    err << "tarnwick-check: unknown arguments\n" << kUsage;
    return kExitUsage;
}
