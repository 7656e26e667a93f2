// The IDLE part of ImapClient: waiting in the open folder for the server's news of new or
// removed messages.
#include "imap/imap_client.h"
#include "settings/errors.h"

namespace {

// EXISTS or EXPUNGE in the open folder, or STATUS of another one (NOTIFY's news of it).
bool ChangesMessages(const ImapResponse& response) {
    return response.kind == ImapResponseKind::Untagged && response.status == ImapStatus::None &&
           (response.Is("EXISTS") || response.Is("EXPUNGE") ||
            (!response.data.empty() && response.data[0].IsAtom("STATUS")));
}

}  // namespace

bool ImapClient::Idle() {
    idleTag_ = SendTagged("IDLE");
    bool changed = false;
    for (;;) {
        ImapResponse response = Read();
        if (response.kind == ImapResponseKind::Continuation) return changed;
        if (response.kind == ImapResponseKind::Untagged) {
            Untagged(response);
            changed = changed || ChangesMessages(response);
            continue;
        }
        if (response.tag != idleTag_) {
            Disconnect();
            throw ImapProtocolError("Unexpected IMAP response:\n\"" + response.tag + " " +
                                    response.text + "\"");
        }
        throw TarnwickError(response.status == ImapStatus::Ok ? "The server ended IDLE at once."
                                                              : response.text);
    }
}

bool ImapClient::WaitIdle(std::chrono::steady_clock::time_point until) {
    for (;;) {
        if (!channel_.WaitForInput(until)) return false;
        channel_.StartDeadline(readTimeout);  // the response that began must come whole
        ImapResponse response = Read();
        if (response.kind != ImapResponseKind::Untagged) {
            // Only DONE ends an IDLE; anything else means the server and we are out of step.
            Disconnect();
            throw ImapProtocolError("Unexpected IMAP response:\n\"" + response.tag + " " +
                                    response.text + "\"");
        }
        Untagged(response);
        if (ChangesMessages(response)) return true;
    }
}

bool ImapClient::EndIdle() {
    bool changed = false;
    channel_.StartDeadline(readTimeout);
    channel_.SendLine("DONE");
    Finish(idleTag_,
           [&changed](ImapResponse& response) { changed = changed || ChangesMessages(response); });
    return changed;
}
