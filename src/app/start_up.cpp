#include "app/start_up.h"

#include <QApplication>
#include <QPointer>

#include "app/main_window.h"
#include "app/tdm.h"
#include "platform/message_box.h"
#include "platform/pop_command.h"
#include "platform/shutdown_signals.h"
#include "platform/single_instance.h"
#include "platform/start_drive.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "settings/program_state.h"

namespace {

// Child windows still open at the end go before the main window and the data module.
void CloseChildWindows() {
    for (QPointer<QWidget>* handle :
         {&ListWindowHandle, &SetupWindowHandle, &ResultsWindowHandle, &FilterWindowHandle})
        delete handle->data();
}

}  // namespace

QString ProgramTitle() {
    return QStringLiteral("Tarnwick - your e-mail guard. 3.03");
}

StartDecision DecideStart(const QString& instanceName) {
    if (HandOverToRunningCopy(instanceName)) return StartDecision::HandedOver;
    if (ProgramOnCdRom()) {
        ShowMessageBox(nullptr, ProgramTitle(), ToQt(GetLangText("start_from_cdrom")),
                       QMessageBox::Warning);
        return StartDecision::Refused;
    }
    return StartDecision::Run;
}

int RunProgram(int argc) {
    StartedWithParameters = argc > 1;
    const QString instanceName = SingleInstanceName();
    if (DecideStart(instanceName) != StartDecision::Run) return 0;
    SingleInstanceServer instance;
    instance.Listen(instanceName);
    QApplication::setQuitOnLastWindowClosed(false);
    {
        Tdm dm;
        {
            TpopMainWindow window(dm);
            QObject::connect(&window, &TpopMainWindow::FormClosed, qApp, &QApplication::quit,
                             Qt::QueuedConnection);
            // A session that ends by signal closes the window without the close question.
            InstallShutdownSignals([target = QPointer<TpopMainWindow>(&window)] {
                if (target) target->close();
            });
            window.show();
            QApplication::exec();
            CloseChildWindows();
        }
    }
    return 0;
}
