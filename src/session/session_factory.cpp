#include "session/session_factory.h"

#include "session/imap_session.h"
#include "session/pop3_session.h"

std::unique_ptr<MailSession> OpenMailSession(const AccountSettings& account,
                                             const SessionOptions& options, RunState& runState) {
    if (account.protocol == MailProtocol::Imap)
        return std::make_unique<ImapMailSession>(account,
                                                 OpenImapSession(account, options, runState));
    return std::make_unique<Pop3MailSession>(OpenSession(account, options, runState));
}
