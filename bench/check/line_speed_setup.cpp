// bench_line_speed_setup FOLDER KIND PORT [SERVER]: for run_line_speed_bench.sh, on the running
// test server SERVER (dovecot, cyrus, courier or mailutils; dovecot by default, its folder named by
// TARNWICK_<SERVER>_DIR), makes a user with 20 messages and writes FOLDER/vellmoor.ini with one
// account of that user: KIND pop3, pop3s, imap or imaps, reached at PORT (the listener's, or a
// relay's in front of it). Prints the user's name and password.
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>

#include "settings/program_path.h"
#include "settings/settings.h"
#include "support/mail_servers.h"

int main(int argc, char** argv) {
    const std::map<std::string, ServerKind> servers{{"dovecot", ServerKind::Dovecot},
                                                    {"cyrus", ServerKind::Cyrus},
                                                    {"courier", ServerKind::Courier},
                                                    {"mailutils", ServerKind::Mailutils}};
    if (argc < 4 || argc > 5 || (argc == 5 && servers.count(argv[4]) == 0)) {
        std::cerr << "usage: bench_line_speed_setup FOLDER pop3|pop3s|imap|imaps PORT [SERVER]\n";
        return 2;
    }
    const TestServer& server = RunningServer(servers.at(argc == 5 ? argv[4] : "dovecot"));
    const std::string kind = argv[2];
    const bool tls = kind == "pop3s" || kind == "imaps";
    const MailUser user = AddServerUser(server, "speed");
    for (int i = 1; i <= 20; ++i)
        DeliverTo(server, user, "INBOX",
                  MakeMessage("Message " + std::to_string(i), "sender@test.example", "Body"));
    const MailProtocol protocol =
        kind.rfind("imap", 0) == 0 ? MailProtocol::Imap : MailProtocol::Pop3;
    AccountSettings account =
        ServerAccount(server, user, protocol, tls ? Listener::Tls : Listener::Plain);
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
