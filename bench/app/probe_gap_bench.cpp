// How long the user-interface thread goes without handling its events while a timed check
// waits on a server that trickles blank lines (the reply never comes; the check ends at its
// read time-out, 3 s here). A probe timer fires every 5 ms; the longest gap between two of its
// ticks is printed, for a quiet second before the check and for the check. Not a test:
//   QT_QPA_PLATFORM=offscreen build/release/bench/app/bench_probe_gap
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "app/tray_services.h"
#include "engine/mail_monitor.h"
#include "settings/cipher.h"
#include "settings/language.h"
#include "state/app_state.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace {

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The longest gap between ticks of a 5 ms timer from now until Take().
class Probe {
public:
    Probe() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
            ++ticks_;
        });
        clock_.start();
        timer_.start();
    }
    qint64 Longest() const { return longest_; }
    int Ticks() const { return ticks_; }
    void Reset() {
        longest_ = 0;
        ticks_ = 0;
        last_ = clock_.elapsed();
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    int ticks_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("TARNWICK_READ_TIMEOUT_MS", "3000", 1);
    QApplication app(argc, argv);
    TempFolder folder("probe");
    ProgramFolderScope scope(folder.Path());
    ScriptedServer server("S:<trickle 100><crlf>");
    folder.Write("vellmoor.ini",
                 "[EML_0]\r\nENABLED=1\r\nEMAIL=a@x.example\r\nHOST=127.0.0.1\r\n"
                 "USERNAME=a\r\nPASSWORD=" +
                     EncipherText("secret") + "\r\nPORT=" + std::to_string(server.Port()) + "\r\n");
    LoadLanguageTable();
    TrayServices dm;
    MailMonitor monitor(ProgramState());
    MainWindow window(dm, ProgramState(), monitor);
    window.show();
    RunFor(100);
    window.actContinue->trigger();

    Probe probe;
    RunFor(1000);
    std::printf("quiet second:          longest gap %4lld ms (%d ticks)\n",
                static_cast<long long>(probe.Longest()), probe.Ticks());
    probe.Reset();
    // From the event loop, as the timer's own tick comes.
    QTimer::singleShot(0,
                       [&monitor] { QMetaObject::invokeMethod(&monitor.CheckTimer(), "timeout"); });
    RunFor(4000);
    std::printf("check on a trickle:    longest gap %4lld ms (%d ticks), %d connection(s)\n",
                static_cast<long long>(probe.Longest()), probe.Ticks(), server.Connections());
    return 0;
}
