#include "app/main/ProgramMain.h"

#include "app/host/ConnectedCameraHost.h"
#include "app/host/TarselEvents.h"
#include "app/main/EnvHooks.h"
#include "app/main/TerminationSignals.h"
#include "app/ui/GuardedApplication.h"
#include "env/ErrorReport.h"
#include "platform/reg/RegistryHive.h"

#include <QApplication>
#include <QObject>
#include <QTimer>

#include <clocale>
#include <cstdlib>
#include <utility>

namespace {

// Without a display the program still runs, on the offscreen platform, so
// it can be driven remotely and ended by a signal.
// An empty variable counts as unset, as it does for Qt.
bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

void chooseOffscreenWithoutDisplay() {
  if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM"))
    return;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

} // namespace

namespace tarsel::program {

int RunTarselProgram(int argc, char** argv, TarselMAppOptions options) {
  chooseOffscreenWithoutDisplay();
  tarsel::ui::GuardedApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarsel"));
  QApplication::setOrganizationName(QStringLiteral("drevant"));
  // Numbers in files and status texts never follow the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  tarsel::host::ReserveTarselEventTypes();

  // Lines of a settings file that did not parse go to the error log, where
  // the user or support can find them.
  tarsel::reg::setRegistryReportHook([](const std::string& text) { WriteErrorInfo(text.c_str()); });

  int exitCode = 0;
  {
    tarsel::program::EnvHooks hooks;
    CTarselMApp app(std::move(options));
    // Installed for the whole run: a signal during start-up closes the frame
    // as soon as the event loop runs, one during shut-down has nothing left
    // to close and cannot cut the shut-down short.
    tarsel::program::TerminationSignals terminations;
    int terminationRequests = 0;
    QObject::connect(&terminations, &tarsel::program::TerminationSignals::terminationRequested, &app,
                     [&app, &terminationRequests] {
                       try {
                         CMainFrame* frame = app.MainFrame();
                         if (!frame)
                           return;
                         // A request while a box is open (nobody may be there to
                         // answer it), or a second request, ends without asking: the
                         // boxes are closed and the frame closes once they are gone.
                         if (++terminationRequests == 1 && !QApplication::activeModalWidget()) {
                           frame->close();
                           return;
                         }
                         frame->CloseWithoutAsking();
                         for (int i = 0; i < 16 && QApplication::activeModalWidget(); ++i)
                           QApplication::activeModalWidget()->close();
                         QTimer::singleShot(50, frame, [frame] { frame->close(); });
                       } catch (...) {
                         // Nothing more can be done for a termination request.
                       }
                     });
    if (app.InitInstance()) {
      exitCode = QApplication::exec();
    } else {
      // A start-up that failed is not a success, whatever shut-down answers.
      exitCode = EXIT_FAILURE;
    }
    const int exitInstanceCode = app.ExitInstance();
    if (exitCode == 0)
      exitCode = exitInstanceCode;
  }

  // A camera worker that missed its stop deadline still runs: end without
  // static destructors pulling things away from under it. The settings are
  // in the registry file already; every write there is complete when it returns.
  if (tarsel::host::CConnectedCameraHost::AnyWorkerAbandoned())
    std::quick_exit(exitCode);
  return exitCode;
}

} // namespace tarsel::program
