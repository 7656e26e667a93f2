// The desktop keyring through libsecret. Each operation opens its own connection to the
// service, so that a keyring daemon that was restarted or unlocked in between is seen as it is.
#include <gio/gio.h>
#include <libsecret/secret.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "settings/keyring.h"
#include "settings/settings.h"

namespace {

constexpr const char* kServiceName = "org.freedesktop.secrets";
constexpr int kBusTimeoutMs = 10000;

struct GObjectUnref {
    void operator()(void* object) const {
        if (object != nullptr) g_object_unref(object);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorHolder {
    GError* error = nullptr;
    ~GErrorHolder() {
        if (error != nullptr) g_error_free(error);
    }
    std::string Text() const { return error != nullptr ? error->message : ""; }
};

struct AttributeTable {
    explicit AttributeTable(const std::string& section)
        : table(g_hash_table_new(g_str_hash, g_str_equal)), account(section) {
        g_hash_table_insert(table, const_cast<char*>("application"), const_cast<char*>("tarnwick"));
        g_hash_table_insert(table, const_cast<char*>("account"), account.data());
    }
    ~AttributeTable() { g_hash_table_unref(table); }
    AttributeTable(const AttributeTable&) = delete;
    AttributeTable& operator=(const AttributeTable&) = delete;

    GHashTable* table;
    std::string account;
};

const SecretSchema* PasswordSchema() {
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = "org.tarnwick.Password";
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"application", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &schema;
}

KeyringAnswer Answer(KeyringStatus status, std::string detail = {}) {
    KeyringAnswer answer;
    answer.status = status;
    answer.detail = std::move(detail);
    return answer;
}

// Without an address and without the usual socket there is no session bus: GDBus is not asked,
// since it would try to launch one.
bool SessionBusConfigured() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != '\0') return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && ::access((std::string(runtime) + "/bus").c_str(), F_OK) == 0;
}

// The session bus with a Secret Service on it; a bus that closes later never ends the program.
GPtr<GDBusConnection> BusWithService(std::string& reason) {
    if (!SessionBusConfigured()) {
        reason = "no session bus";
        return nullptr;
    }
    GErrorHolder error;
    GPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error.error));
    if (!bus) {
        reason = error.Text();
        return nullptr;
    }
    g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
    GVariant* reply = g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", kServiceName), nullptr, G_DBUS_CALL_FLAGS_NONE,
        kBusTimeoutMs, nullptr, &error.error);
    if (reply == nullptr) {
        reason = error.Text();
        return nullptr;
    }
    gboolean running = FALSE;
    g_variant_get(reply, "(b)", &running);
    g_variant_unref(reply);
    if (!running) {
        reason = "no Secret Service on the session bus";
        return nullptr;
    }
    return bus;
}

struct OpenService {
    GPtr<GDBusConnection> bus;
    GPtr<SecretService> service;
    KeyringAnswer failure;
};

OpenService Open() {
    OpenService open;
    std::string reason;
    open.bus = BusWithService(reason);
    if (!open.bus) {
        open.failure = Answer(KeyringStatus::Unavailable, reason);
        return open;
    }
    GErrorHolder error;
    open.service.reset(secret_service_open_sync(
        secret_service_get_type(), nullptr, SECRET_SERVICE_OPEN_SESSION, nullptr, &error.error));
    if (!open.service) open.failure = Answer(KeyringStatus::Unavailable, error.Text());
    return open;
}

KeyringAnswer ReadItems(GList* items) {
    KeyringAnswer answer = Answer(KeyringStatus::NotFound);
    for (GList* node = items; node != nullptr; node = node->next) {
        auto* item = static_cast<SecretItem*>(node->data);
        if (secret_item_get_locked(item)) {
            answer = Answer(KeyringStatus::Locked, "the keyring is locked");
            continue;
        }
        SecretValue* value = secret_item_get_secret(item);
        if (value == nullptr) continue;
        gsize length = 0;
        const gchar* bytes = secret_value_get(value, &length);
        answer = Answer(KeyringStatus::Ok);
        answer.password.assign(bytes, length);
        secret_value_unref(value);
        break;
    }
    return answer;
}

class SecretServiceKeyring final : public Keyring {
public:
    bool Present() override {
        std::string reason;
        return BusWithService(reason) != nullptr;
    }

    KeyringAnswer Read(const AccountSettings& account) override {
        OpenService open = Open();
        if (!open.service) return open.failure;
        AttributeTable attributes(AccountSection(account));
        GErrorHolder error;
        // Locked items are found but not unlocked: no prompt.
        const auto flags =
            static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS);
        GList* items = secret_service_search_sync(open.service.get(), PasswordSchema(),
                                                  attributes.table, flags, nullptr, &error.error);
        if (error.error != nullptr) return Answer(KeyringStatus::Failed, error.Text());
        KeyringAnswer answer = ReadItems(items);
        g_list_free_full(items, g_object_unref);
        return answer;
    }

    KeyringAnswer Store(const AccountSettings& account, std::string_view password) override {
        OpenService open = Open();
        if (!open.service) return open.failure;
        GErrorHolder error;
        GPtr<SecretCollection> collection(secret_collection_for_alias_sync(
            open.service.get(), "default", SECRET_COLLECTION_NONE, nullptr, &error.error));
        if (!collection) {
            return Answer(KeyringStatus::Unavailable,
                          error.error != nullptr ? error.Text() : "no default keyring");
        }
        if (secret_collection_get_locked(collection.get()))
            return Answer(KeyringStatus::Locked, "the keyring is locked");
        AttributeTable attributes(AccountSection(account));
        SecretValue* value =
            secret_value_new(password.data(), static_cast<gssize>(password.size()), "text/plain");
        GPtr<SecretItem> item(secret_item_create_sync(
            collection.get(), PasswordSchema(), attributes.table, account.email.c_str(), value,
            SECRET_ITEM_CREATE_REPLACE, nullptr, &error.error));
        secret_value_unref(value);
        if (!item) return Answer(KeyringStatus::Failed, error.Text());
        return Answer(KeyringStatus::Ok);
    }

    KeyringAnswer Remove(const AccountSettings& account) override {
        OpenService open = Open();
        if (!open.service) return open.failure;
        AttributeTable attributes(AccountSection(account));
        GErrorHolder error;
        secret_service_clear_sync(open.service.get(), PasswordSchema(), attributes.table, nullptr,
                                  &error.error);
        if (error.error != nullptr) return Answer(KeyringStatus::Failed, error.Text());
        return Answer(KeyringStatus::Ok);
    }
};

}  // namespace

Keyring& DesktopKeyring() {
    static SecretServiceKeyring keyring;
    return keyring;
}

std::string KeyringErrorText(const KeyringAnswer& answer) {
    std::string text;
    switch (answer.status) {
        case KeyringStatus::Ok:
            return {};
        case KeyringStatus::NotFound:
            text = "The desktop keyring holds no password for this account.";
            break;
        case KeyringStatus::Locked:
        case KeyringStatus::Unavailable:
            text = kKeyringUnavailableError;
            break;
        case KeyringStatus::Failed:
            text = "The desktop keyring refused the request.";
            break;
    }
    if (!answer.detail.empty()) text += " (" + answer.detail + ")";
    return text;
}
