// bench_line_speed_setup FOLDER KIND PORT: for run_line_speed_bench.sh, on the Dovecot named by
// TARNWICK_DOVECOT_DIR, makes a user with 20 messages and writes FOLDER/vellmoor.ini with one
// account of that user: KIND pop3, pop3s, imap or imaps, reached at PORT (the listener's, or a
// relay's in front of it). Prints the user's name and password.
#include <cstdlib>
#include <iostream>
#include <string>

#include "settings/program_path.h"
#include "settings/settings.h"
#include "support/mail_fixture.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: bench_line_speed_setup FOLDER pop3|pop3s|imap|imaps PORT\n";
        return 2;
    }
    const std::string kind = argv[2];
    const bool tls = kind == "pop3s" || kind == "imaps";
    const MailUser user = AddMailUser("speed");
    AddMessages(user, 20);
    const Listener listener = tls ? Listener::Tls : Listener::Plain;
    AccountSettings account =
        kind.rfind("imap", 0) == 0 ? ImapAccountFor(user, listener) : AccountFor(user, listener);
    account.port = std::atoi(argv[3]);
    SetProgramFolder(argv[1]);
    SettingsValues settings;
    AccountEntry entry;
    entry.enabled = true;
    entry.params = account;
    settings.accounts.push_back(entry);
    if (!SaveSettings(settings)) return 1;
    std::cout << user.name << " " << user.password << "\n";
    return 0;
}
