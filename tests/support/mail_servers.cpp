#include "support/mail_servers.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

const char* NameOf(ServerKind kind) {
    switch (kind) {
        case ServerKind::Dovecot:
            return "dovecot";
        case ServerKind::Cyrus:
            return "cyrus";
        case ServerKind::Courier:
            return "courier";
        case ServerKind::Mailutils:
            return "mailutils";
    }
    return "";
}

std::string FixtureFolder(const std::string& name) {
    std::string variable = "TARNWICK_" + name + "_DIR";
    for (char& c : variable) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (const char* dir = std::getenv(variable.c_str())) return dir;
    return std::string(TARNWICK_BUILD_DIR) + "/" + name + "-fixture";
}

std::string Script(const std::string& name) {
    return std::string(TARNWICK_SUPPORT_DIR) + "/" + name + "_fixture.sh";
}

int Port(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto found = values.find(key);
    return found == values.end() || found->second.empty() ? 0 : std::stoi(found->second);
}

TestServer FromDovecot() {
    const DovecotServer& dovecot = Dovecot();
    TestServer server;
    server.kind = ServerKind::Dovecot;
    server.name = "dovecot";
    server.host = dovecot.host;
    server.imapPort = dovecot.imapPort;
    server.imapsPort = dovecot.imapsPort;
    server.pop3Port = dovecot.plainPort;
    server.pop3sPort = dovecot.tlsPort;
    server.caFile = dovecot.caFile;
    return server;
}

TestServer Load(ServerKind kind) {
    if (kind == ServerKind::Dovecot) return FromDovecot();
    TestServer server;
    server.kind = kind;
    server.name = NameOf(kind);
    server.dir = FixtureFolder(server.name);
    const auto values = ReadFixtureEnv((fs::path(server.dir) / "fixture.env").string());
    if (const auto why = values.find("UNAVAILABLE"); why != values.end())
        throw ServerUnavailable(why->second);
    const auto pidFile = values.find("PID_FILE");
    std::ifstream pidIn(pidFile == values.end() ? std::string() : pidFile->second);
    long pid = 0;
    if (!(pidIn >> pid) || pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        throw std::runtime_error("the " + server.name + " test fixture is not running (folder \"" +
                                 server.dir + "\")");
    server.host = values.at("HOST");
    server.imapPort = Port(values, "IMAP_PORT");
    server.imapsPort = Port(values, "IMAPS_PORT");
    server.pop3Port = Port(values, "POP3_PORT");
    server.pop3sPort = Port(values, "POP3S_PORT");
    server.caFile = values.at("CA_FILE");
    return server;
}

// Runs a verb of the server's fixture script; `input` goes to its standard input. Its output.
std::string RunVerb(const TestServer& server, const std::string& verb,
                    const std::vector<std::string_view>& arguments, std::string_view input = {}) {
    std::string command =
        ShellQuoted(Script(server.name)) + " " + verb + " " + ShellQuoted(server.dir);
    for (std::string_view argument : arguments) command += " " + ShellQuoted(argument);
    std::string output;
    if (input.empty()) {
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) throw std::runtime_error("cannot run " + command);
        char buffer[256];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        if (pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
        return output;
    }
    FILE* pipe = popen((command + " >/dev/null").c_str(), "w");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::fwrite(input.data(), 1, input.size(), pipe);
    if (pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
    return output;
}

int DovecotFolderSize(const MailUser& user, std::string_view folder) {
    const std::string config =
        (fs::path(Dovecot().usersDir).parent_path() / "dovecot.conf").string();
    const std::string command = "doveadm -c " + ShellQuoted(config) + " mailbox status -u " +
                                ShellQuoted(user.name) + " messages " + ShellQuoted(folder);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run doveadm");
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    if (pclose(pipe) != 0 || !read) throw std::runtime_error("failed: " + command);
    const std::string text(line);
    return std::stoi(text.substr(text.find('=') + 1));
}

}  // namespace

const TestServer& RunningServer(ServerKind kind) {
    static std::mutex mutex;
    static std::map<ServerKind, std::unique_ptr<TestServer>> loaded;
    const std::lock_guard lock(mutex);
    auto& server = loaded[kind];
    if (!server) server = std::make_unique<TestServer>(Load(kind));
    return *server;
}

MailUser AddServerUser(const TestServer& server, std::string_view prefix) {
    if (server.kind == ServerKind::Dovecot) return AddMailUser(prefix);
    static std::atomic<int> counter{0};
    MailUser user;
    user.name = std::string(prefix) + std::to_string(getpid()) + "x" + std::to_string(counter++);
    user.password = "secret";
    RunVerb(server, "user", {user.name, user.password});
    return user;
}

void AddServerFolder(const TestServer& server, const MailUser& user, std::string_view folder) {
    if (server.kind == ServerKind::Dovecot) return AddFolder(user, folder);
    RunVerb(server, "folder", {user.name, folder});
}

void DeliverTo(const TestServer& server, const MailUser& user, std::string_view folder,
               std::string_view message) {
    if (server.kind == ServerKind::Dovecot) return Deliver(user, folder, message);
    RunVerb(server, "deliver", {user.name, folder}, message);
}

int FolderSize(const TestServer& server, const MailUser& user, std::string_view folder) {
    if (server.kind == ServerKind::Dovecot) return DovecotFolderSize(user, folder);
    return std::stoi(RunVerb(server, "count", {user.name, folder}));
}

AccountSettings ServerAccount(const TestServer& server, const MailUser& user, MailProtocol protocol,
                              Listener listener) {
    AccountSettings account;
    account.email = user.name + "@" + server.name + ".test";
    account.protocol = protocol;
    account.host = listener == Listener::Plain ? server.host : "localhost";
    const bool imap = protocol == MailProtocol::Imap;
    if (listener == Listener::Tls)
        account.port = imap ? server.imapsPort : server.pop3sPort;
    else
        account.port = imap ? server.imapPort : server.pop3Port;
    account.username = user.name;
    account.password = user.password;
    account.ssl = listener == Listener::Tls;
    account.startTls = listener == Listener::StartTls;
    if (imap) account.folder = "INBOX";
    return account;
}

void TrustServerAuthority(const TestServer& server) {
    setenv("TARNWICK_CA_FILE", server.caFile.c_str(), 1);
}
