#include "cli/commands.h"

#include <unistd.h>

#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <utility>

#include "cli/list_mailbox.h"
#include "cli/online_accounts_command.h"
#include "cli/sign_in_command.h"
#include "cli/store_passwords.h"
#include "cli/trust_server.h"
#include "cli/watch.h"
#include "net/protocol_log.h"
#include "settings/keyring.h"

namespace {

constexpr const char* kUsage =
    "Usage: tarnwick-check [--help | --json | --watch [--format json|waybar] |\n"
    "                      --format waybar | --list EMAIL [--folder NAME] |\n"
    "                      --trust EMAIL [--yes] |\n"
    "                      --store-passwords keyring|file | --sign-in EMAIL |\n"
    "                      --online-accounts | --add-online-account ID] [--verbose]\n"
    "\n"
    "Checks every enabled account of vellmoor.ini once, in list order, and keeps the run\n"
    "state there as the timed check does. vellmoor.ini lives beside the program, or in\n"
    "$XDG_CONFIG_HOME/tarnwick (~/.config/tarnwick) when the program is installed.\n"
    "Prints one line per account, the fields separated by tabs: the e-mail address, the\n"
    "number of messages (\"-\" when the check failed), the change since the last check,\n"
    "and \"OK\" or the error. A disabled account prints \"-\", 0 and \"disabled\".\n"
    "\n"
    "--json prints one JSON object per account and line instead: email, count (null when\n"
    "the check failed), change, ok, error and checked (ISO 8601; null when disabled).\n"
    "An IMAP account with FOLDERS= adds folders: an array of {name, count, change,\n"
    "unseen}, one object per folder it watches (empty when the check failed).\n"
    "\n"
    "--watch keeps running: it checks every enabled account, then one account after\n"
    "another with the program's wait between checks, and prints an account's JSON line\n"
    "whenever its count or error changes, until SIGTERM or SIGINT (exit status 0).\n"
    "--format waybar prints instead one object for status bars: text (the total count),\n"
    "tooltip (a line per account) and class (\"new\" when an account's latest change\n"
    "brought mail, else \"error\" when a check failed, else \"none\"); with --watch\n"
    "whenever it changes.\n"
    "\n"
    "--list EMAIL lists the mailbox of the account with that address (enabled or not),\n"
    "newest message first, one line per message with the fields separated by tabs:\n"
    "\"*\" for suspected spam or nothing, date, sender, subject, size and number\n"
    "(the message's UID on an IMAP account).\n"
    "It deletes nothing. --folder NAME lists that folder of an IMAP account instead.\n"
    "\n"
    "--trust EMAIL connects to the account with that address; when the server's\n"
    "certificate fails verification it prints the certificate's details and SHA-256\n"
    "fingerprint and, on a terminal, asks whether to trust exactly this certificate\n"
    "for the account (SSL_PIN in its section). --yes stores it without asking. Exit\n"
    "status 0 when stored, 1 when not stored or when there was no certificate problem.\n"
    "\n"
    "--store-passwords keyring moves every account's password into the desktop keyring\n"
    "(the Secret Service: GNOME Keyring, KWallet, KeePassXC), one item per account;\n"
    "--store-passwords file moves them back into vellmoor.ini, enciphered. One line per\n"
    "account: the address and \"moved\", \"already there\" or why it was not moved; a\n"
    "password leaves its old place only once the new one holds it. Exit status 1 when\n"
    "any move failed.\n"
    "\n"
    "--sign-in EMAIL signs in the account with that address (AUTH=oauth2) with its\n"
    "provider: where the provider has a device address it prints an address to open\n"
    "and a code to enter there, otherwise it prints an address to open in a browser and\n"
    "waits (5 minutes at most) for the browser to come back to 127.0.0.1. The refresh\n"
    "token is stored where the account keeps its password (--store-passwords moves it\n"
    "too). Exit status 0 when the sign-in is stored, 1 otherwise.\n"
    "\n"
    "--online-accounts lists the mail accounts of GNOME Online Accounts, one line each\n"
    "with the fields separated by tabs: its id, address, IMAP server (host:port) and\n"
    "\"added\" or \"not added\". --add-online-account ID adds the one with that id: it\n"
    "is then checked with the server, user name and token or password that Online\n"
    "Accounts has at each check (AUTH=goa, GOA_ACCOUNT=ID in its section).\n"
    "\n"
    "Exit status: 0 when every enabled account was checked, 1 when a check failed,\n"
    "2 for bad usage.\n"
    "\n"
    "--verbose (with any of the above) writes the dialogue of every session with a\n"
    "server to standard error, passwords and tokens masked.\n"
    "\n"
    "Environment: TARNWICK_CA_FILE names one more file of trusted certificate\n"
    "authorities (PEM); TARNWICK_READ_TIMEOUT_MS shortens the 60 s read time-out;\n"
    "TARNWICK_WATCH_INTERVAL_MS sets the wait between the checks of --watch;\n"
    "TARNWICK_LOG names a file the dialogue of every session is appended to.\n";

// "--trust EMAIL", with "--yes" before or after the address.
std::optional<std::pair<std::string, TrustOptions>> TrustArguments(
    const std::vector<std::string>& args) {
    if (args.empty() || args[0] != "--trust" || args.size() < 2 || args.size() > 3) return {};
    TrustOptions options;
    options.interactive = ::isatty(STDIN_FILENO) == 1;
    options.in = &std::cin;
    std::string email;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--yes" && !options.yes)
            options.yes = true;
        else if (email.empty() && args[i] != "--yes")
            email = args[i];
        else
            return {};
    }
    if (email.empty()) return {};
    return std::pair{email, options};
}

struct CheckArguments {
    bool watch = false;
    OutputFormat format = OutputFormat::Tab;
};

// "--json", "--watch" and "--format json|waybar" in any order, each at most once.
std::optional<CheckArguments> CheckOptions(const std::vector<std::string>& args) {
    CheckArguments options;
    bool formatGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--watch" && !options.watch) {
            options.watch = true;
        } else if (args[i] == "--json" && !formatGiven) {
            options.format = OutputFormat::Json;
            formatGiven = true;
        } else if (args[i] == "--format" && !formatGiven && i + 1 < args.size()) {
            ++i;
            if (args[i] == "json")
                options.format = OutputFormat::Json;
            else if (args[i] == "waybar")
                options.format = OutputFormat::Waybar;
            else
                return {};
            formatGiven = true;
        } else {
            return {};
        }
    }
    if (options.watch && !formatGiven) options.format = OutputFormat::Json;
    return options;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& given, std::ostream& out, std::ostream& err) {
    // --verbose goes with every mode.
    std::vector<std::string> args;
    for (const std::string& arg : given) {
        if (arg == "--verbose")
            protocol_log::WriteToStandardError();
        else
            args.push_back(arg);
    }
    try {
        // The modes: one branch each.
        if (const auto check = CheckOptions(args)) {
            if (check->watch)
                return WatchAccounts({check->format, WatchIntervalFromEnvironment()}, out);
            return CheckAllAccounts(out, check->format);
        }
        if (args.size() == 2 && args[0] == "--list") return ListMailbox(args[1], out, err);
        if (args.size() == 4 && args[0] == "--list" && args[2] == "--folder" && !args[3].empty())
            return ListMailbox(args[1], out, err, args[3]);
        if (args.size() == 2 && args[0] == "--store-passwords") {
            if (const auto target = PasswordStoreNamed(args[1]))
                return StorePasswords(*target, DesktopKeyring(), out);
        }
        if (args.size() == 2 && args[0] == "--sign-in") {
            const InterruptSignal interrupt;
            return SignInFromTerminal(args[1], out, err, interrupt);
        }
        if (args.size() == 1 && args[0] == "--online-accounts")
            return ListOnlineAccountsCommand(out, err);
        if (args.size() == 2 && args[0] == "--add-online-account")
            return AddOnlineAccountCommand(args[1], out, err);
        if (const auto trust = TrustArguments(args))
            return TrustServer(trust->first, trust->second, out, err);
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
