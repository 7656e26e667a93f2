#include "app/start_up.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/dbus_service.h"
#include "app/main_window.h"
#include "app/tray_services.h"
#include "engine/mail_monitor.h"
#include "engine/worker_threads.h"
#include "platform/shutdown_signals.h"
#include "platform/single_instance.h"
#include "platform/start_drive.h"
#include "settings/language.h"
#include "state/app_state.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

// The longest the end of the program waits for the sessions' workers.
constexpr int kEndWaitMs = 2000;

// Child windows still open at the end go before the main window and the data module.
void CloseChildWindows() {
    for (const WindowKind kind :
         {WindowKind::List, WindowKind::Setup, WindowKind::Results, WindowKind::Filter})
        delete OpenWindow(kind);
}

// A message box waiting for an answer goes away as if the user had dismissed it.
void CloseModalBoxes() {
    for (int i = 0; i < 8; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        modal->close();
    }
}

}  // namespace

QString ProgramTitle() {
    return QStringLiteral("Tarnwick - your e-mail guard. 3.03");
}

StartDecision DecideStart(const QString& instanceName) {
    // A copy whose socket cannot be reached but that holds the bus name runs all the same.
    if (HandOverToRunningCopy(instanceName) || BusNameOwned(QString::fromLatin1(kBusName)))
        return StartDecision::HandedOver;
    if (ProgramOnCdRom()) {
        ShowMessageBox(nullptr, ProgramTitle(), ToQt(GetLangText("start_from_cdrom")),
                       QMessageBox::Warning);
        return StartDecision::Refused;
    }
    return StartDecision::Run;
}

int RunProgram(int argc) {
    ProgramState().startedWithParameters = argc > 1;
    const QString instanceName = SingleInstanceName();
    if (DecideStart(instanceName) != StartDecision::Run) return 0;
    SingleInstanceServer instance;
    instance.Listen(instanceName);
    QApplication::setQuitOnLastWindowClosed(false);
    // A session that ends by signal closes the main window without the close question, also
    // while the window is still being made (the first-run box).
    auto ending = std::make_shared<bool>(false);
    auto mainWindow = std::make_shared<QPointer<QWidget>>();
    InstallShutdownSignals([ending, mainWindow] {
        *ending = true;
        CloseModalBoxes();
        if (QWidget* window = mainWindow->data()) window->close();
        QCoreApplication::quit();
    });
    bool workerLeft = false;
    {
        TrayServices services;
        MailMonitor monitor(ProgramState());
        {
            MainWindow window(services, ProgramState(), monitor);
            *mainWindow = &window;
            // Owned by the engine; without a session bus the program goes on without it.
            (new DBusService(monitor, ProgramState(), services.Desktop(), &monitor))->Register();
            QObject::connect(&window, &MainWindow::closing, qApp, &QApplication::quit,
                             Qt::QueuedConnection);
            if (!*ending) {
                window.show();
                QApplication::exec();
            }
            // Every session is interrupted first, then the workers get what is left of the
            // time the end may take.
            const QDeadlineTimer end(kEndWaitMs);
            monitor.StopChecks(std::chrono::milliseconds(0));
            CloseChildWindows();
            workerLeft = !monitor.StopChecks(std::chrono::milliseconds(end.remainingTime()));
            // The list window's session threads: interrupted where a request runs, QUIT where
            // they are between replies.
            workerLeft = !EndWorkerThreads(
                             std::chrono::milliseconds(std::max<qint64>(end.remainingTime(), 0))) ||
                         workerLeft;
        }
    }
    // A worker still in the resolver would outlive the objects it reports to: the files are
    // written, so the process ends here.
    if (workerLeft) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return 0;
}
