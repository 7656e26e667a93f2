#include "platform/sound.h"

#include <canberra.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <atomic>
#include <filesystem>
#include <memory>

#include "settings/file_places.h"

namespace {

// Longest time a sound may hold the program; a longer one is cut off.
constexpr int kLongestSoundMs = 60000;

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

// Shared with the library's player thread, which reports the end of the sound.
struct PlayState {
    std::atomic<bool> finished{false};
};

void OnFinished(ca_context* /*context*/, uint32_t /*id*/, int /*error*/, void* userdata) {
    static_cast<PlayState*>(userdata)->finished = true;
}

// Waits for the end of the sound. Timers and painting go on meanwhile (a fading alert keeps
// fading), but no user input is taken, so nothing can start a second sound from here.
void WaitForEnd(ca_context* context, const PlayState& state) {
    QElapsedTimer clock;
    clock.start();
    while (!state.finished) {
        if (clock.elapsed() > kLongestSoundMs) {
            ca_context_cancel(context, 1);
            break;
        }
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QThread::msleep(10);
    }
}

// Plays one sound described by a property (file name or theme event); false when the sound
// could not be started at all.
bool PlayAndWait(const char* property, const std::string& value) {
    PlayState state;  // outlives the context, whose destruction may still report the end
    ca_context* raw = nullptr;
    if (ca_context_create(&raw) != CA_SUCCESS) return false;
    Context context(raw);
    ca_context_change_props(raw, CA_PROP_APPLICATION_NAME, "Tarnwick", nullptr);
    ca_proplist* rawList = nullptr;
    if (ca_proplist_create(&rawList) != CA_SUCCESS) return false;
    Proplist list(rawList);
    ca_proplist_sets(rawList, property, value.c_str());
    ca_proplist_sets(rawList, CA_PROP_EVENT_DESCRIPTION, "New mail");
    ca_proplist_sets(rawList, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    if (ca_context_play_full(raw, 1, rawList, OnFinished, &state) != CA_SUCCESS) return false;
    WaitForEnd(raw, state);
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
    if (std::filesystem::is_regular_file(path, error) && PlayAndWait(CA_PROP_MEDIA_FILENAME, path))
        return;
    PlayAndWait(CA_PROP_EVENT_ID, "message-new-email");
}

void PlayNewMailSound() {
    PlaySoundFile("newm.wav");
}

void SetSoundHook(SoundHook hook) {
    Hook() = std::move(hook);
}
