#include "support/mail_fixture.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::string FixtureFolder() {
    if (const char* dir = std::getenv("TARNWICK_DOVECOT_DIR")) return dir;
#ifdef TARNWICK_DOVECOT_DIR
    return TARNWICK_DOVECOT_DIR;
#else
    return "";
#endif
}

bool LoadDetails(DovecotServer& server) {
    const std::string folder = FixtureFolder();
    if (folder.empty()) return false;
    auto values = ReadFixtureEnv((fs::path(folder) / "fixture.env").string());
    if (values["PLAIN_PORT"].empty() || !fs::exists(fs::path(folder) / "run" / "master.pid"))
        return false;
    server.host = values["HOST"];
    server.plainPort = std::stoi(values["PLAIN_PORT"]);
    server.tlsPort = std::stoi(values["TLS_PORT"]);
    server.imapPort = std::stoi(values["IMAP_PORT"]);
    server.imapsPort = std::stoi(values["IMAPS_PORT"]);
    server.caFile = values["CA_FILE"];
    server.selfSignedCert = values["SELF_SIGNED_CERT"];
    server.selfSignedKey = values["SELF_SIGNED_KEY"];
    server.usersDir = values["USERS_DIR"];
    server.homeRoot = values["HOME_ROOT"];
    server.mailUid = static_cast<unsigned>(std::stoul(values["MAIL_UID"]));
    server.mailGid = static_cast<unsigned>(std::stoul(values["MAIL_GID"]));
    return true;
}

struct Details {
    bool loaded = false;
    DovecotServer server;
};

const Details& FixtureDetails() {
    static const Details details = [] {
        Details d;
        d.loaded = LoadDetails(d.server);
        return d;
    }();
    return details;
}

void GiveToMailUser(const fs::path& path) {
    const DovecotServer& server = Dovecot();
    if (geteuid() == 0 && chown(path.c_str(), server.mailUid, server.mailGid) != 0)
        throw std::runtime_error("cannot hand " + path.string() + " to the mail user");
}

void MakeMailFolder(const fs::path& path) {
    fs::create_directories(path);
    GiveToMailUser(path);
}

void WritePasswdFile(const MailUser& user, const fs::path& home, Notify notify) {
    const fs::path file = fs::path(Dovecot().usersDir) / user.name;
    std::ofstream out(file, std::ios::trunc);
    out << user.name << ":{PLAIN}" << user.password << "::::" << home.string()
        << "::" << (notify == Notify::Refused ? "userdb_mailbox_list_index=no" : "") << "\n";
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

void WriteFile(const fs::path& path, std::string_view contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Maildir names that sort in the order the messages were added, so that Dovecot numbers them
// in that order.
std::string NextMessageName() {
    static std::atomic<long> counter{0};
    char name[96];
    std::snprintf(name, sizeof name, "%010lld.M%08ldP%d.tarnwick",
                  static_cast<long long>(std::time(nullptr)), counter++, getpid());
    return name;
}

int CountFiles(const fs::path& folder) {
    int count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file()) ++count;
    return count;
}

}  // namespace

std::map<std::string, std::string> ReadFixtureEnv(const std::string& file) {
    std::ifstream in(file);
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

std::string ShellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool DovecotAvailable() {
    return FixtureDetails().loaded;
}

const DovecotServer& Dovecot() {
    if (!DovecotAvailable())
        throw std::runtime_error("the Dovecot test fixture is not running (folder \"" +
                                 FixtureFolder() + "\")");
    return FixtureDetails().server;
}

MailUser AddMailUser(std::string_view prefix, std::string_view password, Notify notify) {
    static std::atomic<int> counter{0};
    MailUser user;
    user.name = std::string(prefix) + std::to_string(getpid()) + "x" + std::to_string(counter++);
    user.password = std::string(password);
    const fs::path home = fs::path(Dovecot().homeRoot) / user.name;
    const fs::path maildir = home / "Maildir";
    fs::remove_all(home);
    MakeMailFolder(home);
    MakeMailFolder(maildir);
    for (const char* sub : {"cur", "new", "tmp"}) MakeMailFolder(maildir / sub);
    user.maildir = maildir.string();
    WritePasswdFile(user, home, notify);
    return user;
}

void AddMessage(const MailUser& user, std::string_view message) {
    const std::string name = NextMessageName();
    const fs::path staged = fs::path(user.maildir) / "tmp" / name;
    WriteFile(staged, message);
    GiveToMailUser(staged);
    fs::rename(staged, fs::path(user.maildir) / "new" / name);
}

void AddMessages(const MailUser& user, int count) {
    for (int i = 1; i <= count; ++i)
        AddMessage(user, MakeMessage("Message " + std::to_string(i), "sender@test.example",
                                     "Body of message " + std::to_string(i)));
}

namespace {

// Runs doveadm on the fixture's server for the user; `input` goes to its standard input.
void Doveadm(const MailUser& user, const std::string& verb, const std::string& arguments,
             std::string_view input = {}) {
    const std::string config = (fs::path(FixtureFolder()) / "dovecot.conf").string();
    const std::string command = "doveadm -c " + ShellQuoted(config) + " " + verb + " -u " +
                                ShellQuoted(user.name) + " " + arguments + " >/dev/null";
    FILE* pipe = popen(command.c_str(), "w");
    if (!pipe) throw std::runtime_error("cannot run doveadm");
    if (!input.empty()) std::fwrite(input.data(), 1, input.size(), pipe);
    if (pclose(pipe) != 0) throw std::runtime_error("doveadm failed: " + command);
}

}  // namespace

void AddFolder(const MailUser& user, std::string_view name, bool subscribed) {
    Doveadm(user, "mailbox create", (subscribed ? "-s " : "") + ShellQuoted(name));
}

void Deliver(const MailUser& user, std::string_view folder, std::string_view message) {
    Doveadm(user, "save", "-m " + ShellQuoted(folder), message);
}

void ClearMailbox(const MailUser& user) {
    for (const char* sub : {"cur", "new"}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(fs::path(user.maildir) / sub, error))
            fs::remove(entry.path(), error);
    }
}

int MailboxSize(const MailUser& user) {
    return CountFiles(fs::path(user.maildir) / "new") + CountFiles(fs::path(user.maildir) / "cur");
}

std::vector<std::uint32_t> SeenUids(const MailUser& user) {
    std::vector<std::uint32_t> uids;
    std::ifstream list(fs::path(user.maildir) / "dovecot-uidlist");
    std::string line;
    std::getline(list, line);  // the version line; then "<uid> [fields] :<file name>"
    while (std::getline(list, line)) {
        const std::string file = line.substr(line.find(" :") + 2);
        for (const auto& entry : fs::directory_iterator(fs::path(user.maildir) / "cur")) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(file + ":2,") && name.find('S', file.size()) != std::string::npos)
                uids.push_back(static_cast<std::uint32_t>(std::stoul(line)));
        }
    }
    return uids;
}

std::string MakeMessage(std::string_view subject, std::string_view from, std::string_view body) {
    std::string message;
    message += "From: " + std::string(from) + "\r\n";
    message += "To: someone@test.example\r\n";
    message += "Subject: " + std::string(subject) + "\r\n";
    message += "Date: Mon, 7 Dec 2026 08:00:00 +0000\r\n";
    message += "\r\n";
    message += std::string(body) + "\r\n";
    return message;
}

AccountSettings AccountFor(const MailUser& user, Listener listener, bool apop) {
    AccountSettings account;
    account.email = user.name + "@test.example";
    account.host = listener == Listener::Plain ? Dovecot().host : "localhost";
    account.port = listener == Listener::Tls ? Dovecot().tlsPort : Dovecot().plainPort;
    account.username = user.name;
    account.password = user.password;
    account.secureLogin = apop;
    account.ssl = listener == Listener::Tls;
    account.startTls = listener == Listener::StartTls;
    return account;
}

AccountSettings ImapAccountFor(const MailUser& user, Listener listener) {
    AccountSettings account = AccountFor(user, listener);
    account.protocol = MailProtocol::Imap;
    account.port = listener == Listener::Tls ? Dovecot().imapsPort : Dovecot().imapPort;
    return account;
}

void TrustFixtureAuthority() {
    setenv("TARNWICK_CA_FILE", Dovecot().caFile.c_str(), 1);
}

std::string ReadTestFile(std::string_view relativePath) {
#ifdef TARNWICK_TEST_DATA
    const fs::path path = fs::path(TARNWICK_TEST_DATA) / relativePath;
#else
    const fs::path path = fs::path("tests/data") / relativePath;
#endif
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("missing test file " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
