// Feeds arbitrary server bytes to the POP3 client: login, count, size, header, message, ids and
// the strict answers that close a listing.
// Only the client's own errors (TarnwickError) are expected; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "pop3/pop3_client.h"
#include "settings/errors.h"

namespace {

// Hands the input out in pieces whose sizes come from the input itself, so that lines and
// replies are split at every possible place.
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

void Run(Pop3Client& client) {
    NullSink sink;
    client.ConnectAndLogIn();
    client.CountMessages();
    client.MessageSize(1);
    client.FetchHeader(1, sink);
    client.FetchMessage(1, sink);
    client.SendNoop();
    client.MessageUid(1);
    client.QueueUid(2);
    client.QueueUidList();
    client.QueueSizeList();
    client.ReadQueuedUid();
    client.ReadQueuedUidList(3);
    client.ReadQueuedSizeList(3);
    client.DeleteMessage(1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Pop3Client client;
    client.username = "user";
    client.password = "password";
    client.apop = (data[0] & 1) != 0;
    client.SetConnector(
        [&](Pop3Client&) { return std::make_unique<InputTransport>(data + 1, size - 1); });
    try {
        Run(client);
    } catch (const TarnwickError&) {
    }
    client.QuitAndClose();
    return 0;
}
