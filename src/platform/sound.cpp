#include "platform/sound.h"

#include <canberra.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "settings/file_places.h"

namespace {

// Longest time a sound may play; a longer one is cut off.
constexpr int kLongestSoundMs = 60000;
// The id of the new-mail sound: a new one ends the one still playing.
constexpr std::uint32_t kSoundId = 1;

SoundHook& Hook() {
    static SoundHook hook;
    return hook;
}

struct ContextDeleter {
    void operator()(ca_context* context) const { ca_context_destroy(context); }
};
struct ProplistDeleter {
    void operator()(ca_proplist* list) const { ca_proplist_destroy(list); }
};
using Context = std::unique_ptr<ca_context, ContextDeleter>;
using Proplist = std::unique_ptr<ca_proplist, ProplistDeleter>;

// The program's one sound context, made at the first sound; its player runs on a thread of the
// library, so playing never holds the caller.
ca_context* SoundContext() {
    static const Context context = [] {
        ca_context* raw = nullptr;
        if (ca_context_create(&raw) != CA_SUCCESS) return Context();
        ca_context_change_props(raw, CA_PROP_APPLICATION_NAME, "Tarnwick", nullptr);
        return Context(raw);
    }();
    return context.get();
}

// Starts one sound described by a property (file name or theme event) in place of the one
// playing; false when it could not be started at all.
bool Play(const char* property, const std::string& value) {
    ca_context* context = SoundContext();
    if (context == nullptr) return false;
    ca_proplist* rawList = nullptr;
    if (ca_proplist_create(&rawList) != CA_SUCCESS) return false;
    const Proplist list(rawList);
    ca_proplist_sets(rawList, property, value.c_str());
    ca_proplist_sets(rawList, CA_PROP_EVENT_DESCRIPTION, "New mail");
    ca_proplist_sets(rawList, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    ca_context_cancel(context, kSoundId);
    if (ca_context_play_full(context, kSoundId, rawList, nullptr, nullptr) != CA_SUCCESS)
        return false;
    static int played = 0;
    const int current = ++played;
    if (QCoreApplication::instance() != nullptr)
        QTimer::singleShot(kLongestSoundMs, QCoreApplication::instance(), [context, current] {
            if (current == played) ca_context_cancel(context, kSoundId);
        });
    return true;
}

}  // namespace

void PlaySoundFile(const std::string& fileName) {
    const std::string path = SoundFilePath(fileName);
    if (Hook()) {
        Hook()(path);
        return;
    }
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error) && Play(CA_PROP_MEDIA_FILENAME, path)) return;
    Play(CA_PROP_EVENT_ID, "message-new-email");
}

void PlayNewMailSound() {
    PlaySoundFile("newm.wav");
}

void SetSoundHook(SoundHook hook) {
    Hook() = std::move(hook);
}
