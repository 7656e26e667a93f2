#include "cli/sign_in_command.h"

#include <ostream>

#include "auth/sign_in.h"
#include "cli/list_mailbox.h"
#include "settings/keyring.h"
#include "settings/settings.h"

namespace {

TokenGrant RunFlow(const AccountSettings& account, const OAuthConfig& config, std::ostream& out,
                   const InterruptSignal& interrupt) {
    if (!config.deviceUrl.empty()) {
        return SignInWithDeviceCode(
            config,
            [&out](const DeviceCode& code) {
                out << "To sign in, open " << code.verificationUri << " and enter the code "
                    << code.userCode << std::endl;
            },
            interrupt);
    }
    return SignInWithBrowser(
        config, account.email,
        [&out](const std::string& url) {
            out << "To sign in, open this address in your browser:\n" << url << std::endl;
        },
        interrupt);
}

}  // namespace

int SignInFromTerminal(const std::string& email, std::ostream& out, std::ostream& err,
                       const InterruptSignal& interrupt) {
    std::optional<AccountCommand> command = PrepareAccountCommand(email, err);
    if (!command) return 1;
    AccountSettings& account = command->account;
    try {
        if (!account.UsesOAuth())
            throw TarnwickError("The account does not sign in with a provider (AUTH=oauth2).");
        const OAuthConfig config = ResolveOAuthConfig(account, *OpenSettings());
        KeepSignIn(account, RunFlow(account, config, out, interrupt), DesktopKeyring());
    } catch (const std::exception& error) {
        err << account.email << ": " << error.what() << '\n';
        return 1;
    }
    out << "Signed in: " << account.email << '\n';
    return 0;
}
