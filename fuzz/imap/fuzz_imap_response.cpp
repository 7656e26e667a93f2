// Feeds arbitrary server bytes to the IMAP response parser and to the IMAP client: the first
// byte picks which. Only the client's own errors (TarnwickError) are expected; anything else
// is a bug.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_transport.h"
#include "imap/imap_client.h"
#include "settings/errors.h"

namespace {

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
        if ((mode & 8) != 0) {  // the folder list and the counts of several folders
            std::vector<FolderStatusAnswer> extra;
            client.ListMailboxes();
            client.ListSubscribedWithStatus({"INBOX"}, extra);
            client.StatusOfEach({"INBOX", "Work", "Entw&APw-rfe"});
        }
        client.Status("INBOX");
        client.Examine("INBOX");
        client.FetchHeaders(3, [](FetchedHeader&) { return true; });
        client.FetchMessage(MessageId(1u), sink);
        client.FlagDeleted(MessageId(1u));
        client.ExpungeUids({MessageId(1u), MessageId(2u), MessageId(3u), MessageId(7u)});
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
