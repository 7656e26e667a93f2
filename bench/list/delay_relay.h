#pragma once
// A TCP relay on 127.0.0.1 that holds every byte for a fixed time in each direction before
// passing it on: a distant server on loopback, without root or traffic control. Bytes keep
// their order; the relay buffers without limit, so it never pushes back on either side.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

class DelayRelay {
public:
    // Forwards connections made to Port() to targetHost:targetPort, `oneWay` late each way.
    DelayRelay(std::string targetHost, int targetPort, std::chrono::microseconds oneWay);
    ~DelayRelay();
    DelayRelay(const DelayRelay&) = delete;
    DelayRelay& operator=(const DelayRelay&) = delete;

    int Port() const { return port_; }
    // Bytes passed from the server to the client so far.
    std::uint64_t BytesToClient() const { return toClient_; }

private:
    void Serve();
    void Relay(int client, int server);

    std::string host_;
    int targetPort_;
    std::chrono::microseconds oneWay_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint64_t> toClient_{0};
    std::thread thread_;
};
