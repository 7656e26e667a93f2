// Servers that keep a session waiting, by sending a little now and then or by never taking
// the connection: every reply has a deadline of its own, a connect has its time-out, and a
// check has a time limit as a whole.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "check/check_cycle.h"
#include "check/check_fixture.h"
#include "check/recording_sink.h"
#include "pop3/pop3_client.h"
#include "settings/errors.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::StartsWith;

// What a reply's time-out says: the command that went unanswered and the time waited.
const std::string kNoGreeting = "The server sent no greeting within 500 ms";
const std::string kNoTop = "The server did not answer TOP within 500 ms";

struct Client {
    explicit Client(const ScriptedServer& server, milliseconds readTimeout = milliseconds(500)) {
        client.host = "127.0.0.1";
        client.port = server.Port();
        client.username = "bob";
        client.password = "secret";
        client.readTimeout = readTimeout;
    }
    Pop3Client client;
};

// The error of `action` and how long it took.
std::pair<std::string, milliseconds> Timed(const std::function<void()>& action) {
    const auto start = Clock::now();
    std::string error = "(no error)";
    try {
        action();
    } catch (const TarnwickError& e) {
        error = e.what();
    }
    return {error, std::chrono::duration_cast<milliseconds>(Clock::now() - start)};
}

std::string Padding(char letter) {
    return "S: X-Pad: " + std::string(1100, letter) + "\n";
}

}  // namespace

TEST(ReplyDeadline, TricklingServerCannotHoldAReplyOpen) {
    // Blank lines before the greeting, a letter now and then without a line end, a status
    // reply continued without end, and header lines slower than a kilobyte per ten seconds.
    const char* scripts[] = {"S:<trickle 100><crlf>", "S:<trickle 100>x",
                             "S: +OK-ready\nS:<trickle 100>more<crlf>"};
    for (const char* script : scripts) {
        ScriptedServer server(script);
        Client c(server);
        const auto [error, took] = Timed([&] { c.client.ConnectAndLogIn(); });
        EXPECT_EQ(error, kNoGreeting) << script;
        EXPECT_LT(took, milliseconds(5000)) << script;
        EXPECT_FALSE(c.client.IsConnected()) << script;
    }

    ScriptedServer server(std::string(kUserLogin) + "C: TOP 1 0\nS: +OK\nS:<trickle 50>a<crlf>");
    Client c(server);
    c.client.ConnectAndLogIn();
    RecordingSink sink;
    const auto [error, took] = Timed([&] { c.client.FetchHeader(1, sink); });
    EXPECT_EQ(error, kNoTop);
    EXPECT_LT(took, milliseconds(5000));
}

TEST(ReplyDeadline, LongReplyGoesOnWhileItsDataKeepsComing) {
    // Each kilobyte moves the deadline on: 1.2 s of steady data outlasts a 0.5 s time-out.
    std::string script = std::string(kUserLogin) + "C: TOP 1 0\nS: +OK\n";
    for (char letter = 'a'; letter < 'g'; ++letter) script += Padding(letter) + "S:<pause 200>\n";
    script += "S: .\nC: QUIT\n";
    ScriptedServer server(script);
    Client c(server);
    c.client.ConnectAndLogIn();
    RecordingSink sink;
    EXPECT_EQ(Timed([&] { c.client.FetchHeader(1, sink); }).first, "(no error)");
    EXPECT_EQ(sink.header.size(), 6u);
    c.client.QuitAndClose();
    EXPECT_EQ(server.Problems(), "");
}

TEST(ReplyDeadline, AnEndlessHeaderEndsWithinBoundsOfTimeAndMemory) {
    // Fast enough that every kilobyte keeps moving the deadline on: the ceiling ends it. Much
    // faster: the reply cap ends it. Either way the header keeps at most a megabyte (a line's
    // bytes and CR LF, where the script has the six letters of "<crlf>").
    std::string line = "X-Filler: " + std::string(1000, 'f') + "<crlf>";
    std::string piece;
    for (int i = 0; i < 64; ++i) piece += line;
    const std::pair<std::string, std::string> cases[] = {
        {"S:<trickle 5>" + line, "The server did not answer TOP within "},
        {"S:<trickle 1>" + piece, "The server's reply is longer than 16 MB."},
    };
    for (const auto& [endless, expected] : cases) {
        ScriptedServer server(std::string(kUserLogin) + "C: TOP 1 0\nS: +OK\n" + endless);
        Client c(server);
        c.client.longestReply = milliseconds(1500);
        c.client.ConnectAndLogIn();
        RecordingSink sink;
        const auto [error, took] = Timed([&] { c.client.FetchHeader(1, sink); });
        EXPECT_THAT(error, StartsWith(expected));
        EXPECT_LT(took, milliseconds(6000));
        EXPECT_FALSE(c.client.IsConnected());
        EXPECT_LE(sink.header.size() * (line.size() - 4), Pop3Client::kMaxHeaderBytes);
    }
}

TEST(ConnectDeadline, FullAcceptQueueEndsAtTheConnectTimeOut) {
    // A listener that accepts nobody, its queue filled: a further connect gets no answer.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
    std::vector<int> queued;
    for (int i = 0; i < 4; ++i) {
        queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(queued.back(), reinterpret_cast<sockaddr*>(&address), size);
    }

    Pop3Client client;
    client.host = "127.0.0.1";
    client.port = ntohs(address.sin_port);
    client.connectTimeout = milliseconds(500);
    const auto [error, took] = Timed([&] { client.ConnectAndLogIn(); });
    EXPECT_EQ(error, "Connect timed out.");
    EXPECT_LT(took, milliseconds(5000));
    // An interrupt ends the connect long before its time-out.
    client.connectTimeout = milliseconds(60000);
    std::thread interrupter([&] {
        std::this_thread::sleep_for(milliseconds(100));
        client.Interrupt();
    });
    const auto [cancelled, waited] = Timed([&] { client.ConnectAndLogIn(); });
    interrupter.join();
    EXPECT_EQ(cancelled, "Operation cancelled.");
    EXPECT_LT(waited, milliseconds(2000));
    for (const int fd : queued) ::close(fd);
    ::close(listener);
}

TEST(Interrupt, AnotherThreadEndsTheWaitAtOnceAndEveryLaterCall) {
    ScriptedServer server(std::string(kUserLogin) + "C: DELE 1\nS:<silence>");
    Client c(server, milliseconds(60000));
    c.client.ConnectAndLogIn();
    std::thread interrupter([&] {
        std::this_thread::sleep_for(milliseconds(100));
        c.client.Interrupt();
    });
    const auto [error, took] = Timed([&] { c.client.DeleteMessage(1); });
    interrupter.join();
    EXPECT_EQ(error, "Operation cancelled.");
    EXPECT_LT(took, milliseconds(2000));
    EXPECT_FALSE(c.client.IsConnected());
    EXPECT_EQ(Timed([&] { c.client.ConnectAndLogIn(); }).first, "Operation cancelled.");
}

class CheckTimeLimit : public SettingsTest {};

TEST_F(CheckTimeLimit, SlowRepliesEndTheCheckAtItsLimit) {
    // Every reply comes within its own time-out, but together they outlast the check's limit.
    ScriptedServer server(R"(
        S:<pause 400>
        S: +OK ready
        C: USER bob
        S:<pause 400>
        S: +OK
        C: PASS secret
        S:<pause 400>
        S: +OK logged in
        C: STAT
        S:<pause 400>
        S: +OK 3 300
    )");
    const AccountSettings account = ScriptedAccount(server);
    SessionOptions options;
    options.timeLimit = milliseconds(1000);
    NoCheckNotifier notifier;
    const auto start = Clock::now();
    const CheckResult result = CheckAccount(account, options, false, notifier);
    EXPECT_LT(Clock::now() - start, milliseconds(3000));
    EXPECT_EQ(result.change, 0);
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"),
              "The server did not answer CAPA before the check's time ran out");
}
