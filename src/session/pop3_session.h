#pragma once
// Opening and ending POP3 sessions for an account, with the outcome recorded in the account's
// section of the settings file, and the session interface on POP3.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "pop3/pop3_client.h"
#include "session/mail_session.h"
#include "session/run_state.h"
#include "session/session_options.h"
#include "settings/accounts.h"

// Connects, logs in and counts. Never throws for a connection, login or count failure: it
// reports StatusKind::Error and records LAST_RESULT "0", LAST_CHECK and LAST_ERROR instead (on
// success LAST_RESULT "1" and LAST_CHECK). Test IsConnected() on the result. A failure to
// record the outcome (the settings file cannot be written) ends the session with QUIT and is
// thrown. An interrupt is thrown as Cancelled and recorded nowhere.
std::unique_ptr<Pop3Client> OpenSession(const AccountSettings& account,
                                        const SessionOptions& options);
// The same, leaving the outcome's keys in `runState` for the caller to store.
std::unique_ptr<Pop3Client> OpenSession(const AccountSettings& account,
                                        const SessionOptions& options, RunState& runState);

// Keeps what the client's CAPA said for the account's next sessions (POP3_CAPA in its section),
// or forgets it when a reply disagreed with what was remembered.
void RememberCapabilities(const Pop3Client& client, RunState& runState, const std::string& section);

// Sends QUIT when connected and destroys the client; `session` is empty afterwards.
void EndSession(std::unique_ptr<Pop3Client>& session);

// The session interface on POP3: a message's id is its number in this session.
class Pop3MailSession final : public MailSession {
public:
    explicit Pop3MailSession(std::unique_ptr<Pop3Client> client) : client_(std::move(client)) {}
    ~Pop3MailSession() override { EndSession(client_); }

    MailProtocol Protocol() const override { return MailProtocol::Pop3; }
    bool IsConnected() const override { return client_->IsConnected(); }
    int CountMessages() override { return client_->CountMessages(); }
    void ListHeaders(HeaderReceiver& receiver) override;
    std::int64_t MessageSize(MessageId id) override { return client_->MessageSize(NumberOfId(id)); }
    bool FetchMessage(MessageId id, MessageSink& message) override {
        return client_->FetchMessage(NumberOfId(id), message);
    }
    void DeleteMessage(MessageId id) override { client_->DeleteMessage(NumberOfId(id)); }
    void KeepAlive() override { client_->SendNoop(); }
    std::string Quit() override;
    void Abort() override { client_->AbortConnection(); }
    std::optional<CertificateProblem> CertificateFailure() const override {
        return client_->CertificateFailure();
    }
    // The client itself, for what only POP3 does (checking a message's UIDL before DELE).
    Pop3Client& Client() { return *client_; }

private:
    std::unique_ptr<Pop3Client> client_;
};

// The header listing of a POP3 session: every size with one LIST, then the headers from the
// newest message down, as many requests in flight as the session allows. A stop sends nothing
// more, and the replies already asked for are still handed over. The header requests end with
// one of strict form: UIDL, whose ids are handed over after the headers, unless the
// capabilities lack it, else LIST; a reply that does not parse there, or data after it, throws
// RepliesOutOfStep with the connection closed.
void ListPop3Headers(Pop3Client& client, HeaderReceiver& receiver);
