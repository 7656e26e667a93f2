#include "auth/online_accounts.h"

#include <gio/gio.h>

#include <algorithm>
#include <memory>

#include "settings/errors.h"
#include "settings/language.h"

namespace {

constexpr const char* kService = "org.gnome.OnlineAccounts";
constexpr const char* kManagerPath = "/org/gnome/OnlineAccounts";
constexpr const char* kAccountInterface = "org.gnome.OnlineAccounts.Account";
constexpr const char* kMailInterface = "org.gnome.OnlineAccounts.Mail";
constexpr const char* kOAuth2Interface = "org.gnome.OnlineAccounts.OAuth2Based";
constexpr const char* kPasswordInterface = "org.gnome.OnlineAccounts.PasswordBased";
constexpr int kCallLimitMs = 5000;

std::string Text(const char* key, const char* english) {
    return FindLangText(key).value_or(english);
}

// A connection and the main context it was made in, where GDBus announces its end: closed and
// that context drained before it goes, so that neither the socket nor the connection outlives it.
struct ContextFree {
    void operator()(GMainContext* context) const { g_main_context_unref(context); }
};
using Context = std::unique_ptr<GMainContext, ContextFree>;
struct ConnectionClose {
    Context context;
    void operator()(GDBusConnection* bus) const {
        g_dbus_connection_close_sync(bus, nullptr, nullptr);
        while (g_main_context_iteration(context.get(), FALSE)) {
        }
        g_object_unref(bus);
    }
};
struct VariantFree {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using Connection = std::unique_ptr<GDBusConnection, ConnectionClose>;
using Variant = std::unique_ptr<GVariant, VariantFree>;

// Takes the error's message and frees it.
std::string ErrorText(GError* error) {
    std::string text = error != nullptr ? error->message : "unknown error";
    if (error != nullptr) g_error_free(error);
    return text;
}

[[noreturn]] void ThrowNoService(const std::string& detail) {
    throw TarnwickError(
        Text("goa_no_service", "Online Accounts does not answer on the session bus") + " (" +
        detail + ")");
}

// What the asynchronous connection hands back in its context.
struct PendingConnection {
    GDBusConnection* bus = nullptr;
    GError* error = nullptr;
    bool done = false;
};

void ConnectionMade(GObject*, GAsyncResult* result, gpointer data) {
    auto* pending = static_cast<PendingConnection*>(data);
    pending->bus = g_dbus_connection_new_for_address_finish(result, &pending->error);
    pending->done = true;
}

gboolean CancelConnection(gpointer cancellable) {
    g_cancellable_cancel(static_cast<GCancellable*>(cancellable));
    return G_SOURCE_REMOVE;
}

// Connects to `address` within the call limit: a bus daemon that takes the connection and never
// answers would hold a synchronous connect for ever. The connection is made asynchronously in a
// main context of this thread's own, and cancelled when the limit passes.
GDBusConnection* ConnectWithinLimit(const gchar* address, GMainContext* context) {
    g_main_context_push_thread_default(context);
    GCancellable* cancellable = g_cancellable_new();
    PendingConnection pending;
    g_dbus_connection_new_for_address(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, cancellable, ConnectionMade, &pending);
    GSource* limit = g_timeout_source_new(kCallLimitMs);
    g_source_set_callback(limit, CancelConnection, cancellable, nullptr);
    g_source_attach(limit, context);
    while (!pending.done) g_main_context_iteration(context, TRUE);
    g_source_destroy(limit);
    g_source_unref(limit);
    const bool late = g_cancellable_is_cancelled(cancellable);
    g_object_unref(cancellable);
    g_main_context_pop_thread_default(context);
    if (pending.bus != nullptr) return pending.bus;
    if (late) {
        g_error_free(pending.error);
        ThrowNoService("the session bus did not answer within 5 s");
    }
    ThrowNoService(ErrorText(pending.error));
}

// A connection of its own to the session bus: threads do not share it, and a test's change of
// the bus address is heard.
Connection SessionBus() {
    GError* error = nullptr;
    const std::unique_ptr<gchar, decltype(&g_free)> address(
        g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error), g_free);
    if (address == nullptr) ThrowNoService(ErrorText(error));
    Context context(g_main_context_new());
    GDBusConnection* bus = ConnectWithinLimit(address.get(), context.get());
    return Connection(bus, ConnectionClose{std::move(context)});
}

// One method call with the 5 s limit; throws with the service's own error text.
Variant Call(GDBusConnection* bus, const std::string& path, const char* interface,
             const char* method, GVariant* parameters, const char* replyType) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, kService, path.c_str(), interface, method, parameters, G_VARIANT_TYPE(replyType),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallLimitMs, nullptr, &error);
    if (reply == nullptr) {
        const bool absent = g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                            g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
        const std::string detail = ErrorText(error);
        if (absent) ThrowNoService(detail);
        throw TarnwickError(Text("goa_call_failed", "Online Accounts refused the request") + " (" +
                            detail + ")");
    }
    return Variant(reply);
}

std::string StringProperty(GVariant* properties, const char* name) {
    const gchar* value = nullptr;
    if (properties != nullptr && g_variant_lookup(properties, name, "&s", &value)) return value;
    return {};
}

bool BoolProperty(GVariant* properties, const char* name) {
    gboolean value = FALSE;
    return properties != nullptr && g_variant_lookup(properties, name, "b", &value) && value;
}

// The account's interfaces (a{sa{sv}}) read into an OnlineAccount; false without Mail.
bool ReadAccount(const char* path, GVariant* interfaces, OnlineAccount& account) {
    Variant base(g_variant_lookup_value(interfaces, kAccountInterface, G_VARIANT_TYPE_VARDICT));
    Variant mail(g_variant_lookup_value(interfaces, kMailInterface, G_VARIANT_TYPE_VARDICT));
    if (!base || !mail) return false;
    Variant oauth(g_variant_lookup_value(interfaces, kOAuth2Interface, nullptr));
    account.objectPath = path;
    account.id = StringProperty(base.get(), "Id");
    account.provider = StringProperty(base.get(), "ProviderName");
    account.attentionNeeded = BoolProperty(base.get(), "AttentionNeeded");
    account.mailDisabled = BoolProperty(base.get(), "MailDisabled");
    account.oauth2 = oauth != nullptr;
    account.email = StringProperty(mail.get(), "EmailAddress");
    account.imap = BoolProperty(mail.get(), "ImapSupported");
    account.username = StringProperty(mail.get(), "ImapUserName");
    account.ssl = BoolProperty(mail.get(), "ImapUseSsl");
    account.startTls = !account.ssl && BoolProperty(mail.get(), "ImapUseTls");
    std::tie(account.host, account.port) =
        SplitImapHost(StringProperty(mail.get(), "ImapHost"), account.ssl);
    return true;
}

std::vector<OnlineAccount> ListOn(GDBusConnection* bus) {
    const Variant reply = Call(bus, kManagerPath, "org.freedesktop.DBus.ObjectManager",
                               "GetManagedObjects", nullptr, "(a{oa{sa{sv}}})");
    std::vector<OnlineAccount> accounts;
    GVariantIter* objects = nullptr;
    g_variant_get(reply.get(), "(a{oa{sa{sv}}})", &objects);
    const gchar* path = nullptr;
    GVariant* interfaces = nullptr;
    while (g_variant_iter_next(objects, "{&o@a{sa{sv}}}", &path, &interfaces)) {
        OnlineAccount account;
        if (ReadAccount(path, interfaces, account)) accounts.push_back(std::move(account));
        g_variant_unref(interfaces);
    }
    g_variant_iter_free(objects);
    return accounts;
}

void EnsureCredentials(GDBusConnection* bus, const OnlineAccount& account) {
    Call(bus, account.objectPath, kAccountInterface, "EnsureCredentials", nullptr, "(i)");
}

}  // namespace

std::pair<std::string, std::int32_t> SplitImapHost(std::string_view hostAndPort, bool ssl) {
    const std::int32_t standard = ssl ? 993 : 143;
    const std::size_t colon = hostAndPort.rfind(':');
    // An IPv6 address without a port has colons too: only "]:port" or a lone colon counts.
    const bool ipv6 = hostAndPort.starts_with('[');
    if (colon == std::string_view::npos || (ipv6 && hostAndPort[colon - 1] != ']') ||
        (!ipv6 && hostAndPort.find(':') != colon))
        return {std::string(hostAndPort), standard};
    const std::string_view digits = hostAndPort.substr(colon + 1);
    std::int32_t port = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || port > 65535) return {std::string(hostAndPort), standard};
        port = port * 10 + (c - '0');
    }
    if (port == 0 || port > 65535) return {std::string(hostAndPort.substr(0, colon)), standard};
    std::string_view host = hostAndPort.substr(0, colon);
    if (ipv6) host = host.substr(1, host.size() - 2);
    return {std::string(host), port};
}

std::vector<OnlineAccount> ListOnlineAccounts() {
    const Connection bus = SessionBus();
    return ListOn(bus.get());
}

OnlineAccount UsableOnlineAccount(const std::string& id) {
    for (OnlineAccount& account : ListOnlineAccounts()) {
        if (account.id != id) continue;
        if (account.attentionNeeded) throw TarnwickError(OnlineSignInAgainText());
        if (account.mailDisabled || !account.imap)
            throw TarnwickError(
                Text("goa_mail_off", "Mail is switched off for this account in Online Accounts."));
        return account;
    }
    throw TarnwickError(Text("goa_account_gone", "Online Accounts no longer has this account:") +
                        " " + id);
}

AccessTokenSource OnlineTokenSource(const OnlineAccount& account) {
    return [account](bool) {
        const Connection bus = SessionBus();
        EnsureCredentials(bus.get(), account);
        const Variant reply = Call(bus.get(), account.objectPath, kOAuth2Interface,
                                   "GetAccessToken", nullptr, "(si)");
        const gchar* token = nullptr;
        gint32 expiresIn = 0;
        g_variant_get(reply.get(), "(&si)", &token, &expiresIn);
        // "cached": the service may have handed out a token the server no longer takes; asking
        // again after EnsureCredentials is worth one more try.
        return AccessGrant{token, true};
    };
}

std::string OnlinePassword(const OnlineAccount& account) {
    const Connection bus = SessionBus();
    EnsureCredentials(bus.get(), account);
    const Variant reply = Call(bus.get(), account.objectPath, kPasswordInterface, "GetPassword",
                               g_variant_new("(s)", "imap-password"), "(s)");
    const gchar* password = nullptr;
    g_variant_get(reply.get(), "(&s)", &password);
    return password;
}

std::string OnlineSignInAgainText() {
    return Text("goa_sign_in_again", "Online Accounts needs you to sign in to this account again.");
}

bool OnlineAccountAdded(const std::vector<AccountEntry>& accounts, const std::string& id) {
    return std::any_of(accounts.begin(), accounts.end(), [&id](const AccountEntry& entry) {
        return entry.params.FromOnlineAccounts() && entry.params.onlineAccount == id;
    });
}

std::vector<OnlineAccount> AddableOnlineAccounts(std::vector<OnlineAccount> listed,
                                                 const std::vector<AccountEntry>& accounts) {
    std::erase_if(listed, [&accounts](const OnlineAccount& account) {
        return !account.imap || account.mailDisabled || OnlineAccountAdded(accounts, account.id);
    });
    return listed;
}

AccountSettings OnlineAccountSettings(const OnlineAccount& account) {
    AccountSettings settings;
    settings.email = account.email;
    settings.protocol = MailProtocol::Imap;
    settings.auth = AuthMethod::OnlineAccounts;
    settings.onlineAccount = account.id;
    settings.ssl = account.ssl;  // what the setup window shows until the next session
    settings.startTls = account.startTls;
    return settings;
}
