// Feeds arbitrary server bytes to the IMAP response parser and to the IMAP client: the first
// byte picks which. Only the client's own errors (TarnwickError) are expected; anything else
// is a bug.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "imap/imap_client.h"
#include "settings/errors.h"

namespace {

// Hands the input out in pieces whose sizes come from the input itself, so that lines,
// literals and responses are split at every possible place.
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

void ParseAll(const std::uint8_t* data, std::size_t size) {
    LineChannel channel;
    channel.Attach(std::make_unique<InputTransport>(data, size));
    const ImapSource source{[&] { return channel.ReadLine(); },
                            [&](std::size_t n) { return channel.ReadBytes(n); }};
    try {
        for (;;) {
            const ImapResponse response = ReadImapResponse(source);
            (void)response.CodeWords();
            for (const ImapValue& value : response.data) {
                (void)value.Number();
                (void)value.Find("UID");
            }
        }
    } catch (const TarnwickError&) {
    }
}

void RunClient(std::uint8_t mode, const std::uint8_t* data, std::size_t size) {
    ImapClient client;
    client.username = "user";
    client.password = (mode & 2) != 0 ? "pass word\xC3\xA4" : "password";
    client.startTls = (mode & 4) != 0;
    client.plainTextLogin = true;
    client.SetConnector([&] { return std::make_unique<InputTransport>(data, size); });
    try {
        NullSink sink;
        client.ConnectAndLogIn();
        client.Status("INBOX");
        client.Examine("INBOX");
        client.FetchHeaders([](FetchedHeader&) { return true; });
        client.FetchMessage(1, sink);
        client.FlagDeleted(1);
        client.ExpungeUids({1, 2, 3, 7});
        client.Noop();
    } catch (const TarnwickError&) {
    }
    client.LogoutAndClose();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if ((data[0] & 1) == 0)
        ParseAll(data + 1, size - 1);
    else
        RunClient(data[0], data + 1, size - 1);
    return 0;
}
