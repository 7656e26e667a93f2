#pragma once
// A POP3 server on 127.0.0.1 that plays a script, for what no real server does: malformed
// replies, silence, drops, overlong lines. The script has the form of transcript.h; "C: "
// lines are read from the client and compared, "S: " lines are sent, "S:<silence>" waits
// until the client closes, and after the last line the server closes the connection.
//
//   ScriptedServer server("S: +OK 3\nC: QUIT");      // serves each connection the same script
//   account.host = "127.0.0.1"; account.port = server.Port();
//   ... run the client ...
//   EXPECT_EQ(server.Problems(), "");
//
// With a certificate and key (PEM files) it speaks TLS from the first byte.

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/transcript.h"

class ScriptedServer {
public:
    explicit ScriptedServer(std::string_view script, std::string certFile = "",
                            std::string keyFile = "");
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return port_; }
    // Mismatches between the script and what clients sent; "" when none.
    std::string Problems() const;
    int Connections() const { return connections_; }

private:
    class Peer;
    void Serve();
    void Play(Peer& peer);

    std::vector<ScriptStep> steps_;
    std::string certFile_;
    std::string keyFile_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::string problems_;
    std::thread thread_;
};
