#pragma once
// What the protocol fuzz targets hand their clients: the input as the server's bytes, and a
// sink that keeps nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "net/message_sink.h"
#include "net/transport.h"

// Hands the input out in pieces whose sizes come from the input itself, so that lines,
// literals and replies are split at every possible place. STARTTLS goes on in plain text.
class InputTransport final : public Transport {
public:
    InputTransport(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    void Send(std::string_view) override {}
    std::size_t Receive(char* buffer, std::size_t size) override {
        if (pos_ >= size_) return 0;
        const std::size_t piece = 1 + (data_[pos_] % 97);
        const std::size_t n = std::min({size, piece, size_ - pos_});
        std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        return n;
    }
    void StartTls(const TlsCheck&) override {}
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool open_ = true;
};

struct NullSink : MessageSink {
    void AddHeaderLine(std::string) override {}
    void HeaderComplete() override {}
    void AddBodyLine(std::string) override {}
    void BodyComplete() override {}
};
