// Feeds arbitrary server bytes to the POP3 client: login, count, size, header, message, ids and
// the strict answers that close a listing.
// Only the client's own errors (TarnwickError) are expected; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_transport.h"
#include "pop3/pop3_client.h"
#include "settings/errors.h"

namespace {

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
