#include "app/cameras/vesk/VeskDriverSetup.h"

#include "app/cameras/vesk/VeskVistaCamRefreshNoteDlg.h"
#include "app/core/IBaseSDK_Wr.h"
#include "app/core/StringIds.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/ProgramFolder.h"
#include "app/ui/ResText.h"
#include "env/BrantelTakeError.h"
#include "env/FileSystem.h"
#include "env/SysVersion.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/Module.h"
#include "platform/Win32Error.h"
#include "veskinst/BrantelVeskInst.h"

#include <QEventLoop>
#include <QProcess>
#include <QScopeGuard>

#include <cerrno>
#include <cstdlib>

#include <unistd.h>

namespace {

using tarsel::vesk::DriverSetupContext;
namespace ids = tarsel::core::ids;

constexpr const char* kCameraLinkLibrary = "libVeskDLL.so";

// -1 not tested yet, 0 missing, 1 present.
int g_driverState = -1;

// String 154 for a code: its message and its number.
void ShowRefreshFailed(QWidget* parent, HRESULT code) {
  const _brantel_take_error error(code);
  tarsel::ui::AskUser(parent,
                      tarsel::ui::ResFormat(ids::IDS_DRIVER_REFRESH_FAILED, error.ErrorMessage(),
                                            static_cast<unsigned>(code)),
                      tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Error);
}

bool LibraryRegistered(const DriverSetupContext& context) {
  tarsel::platform::Module library;
  if (!library.load(context.programFolder + tarsel::veskinst::kLibraryName))
    return false;
  const auto registered = library.function<tarsel::veskinst::IsRegisteredFunction>("IsBrantelVeskRegisterd");
  return registered && registered() != 0;
}

// Whether the user wants the note before the refresh; stores the note's box.
void ShowRefreshNoteUnlessDeclined(QWidget* parent, IBaseSDK_Wr* sdk) {
  ITarselSettings* factory = sdk ? sdk->GetSettings() : nullptr;
  ICamSdkSettings* raw = nullptr;
  if (!factory || factory->GetSdkSettings(sdk->GetSdkName(), &raw, false) != 0 || !raw)
    throw _brantel_take_error(E_FAIL);
  CRefPtr<ICamSdkSettings> settings;
  settings.Assign(raw);
  raw->Release();
  if (settings->GetBool(tarsel::vesk::kDontAskForRefreshValue, false))
    return;
  CVeskVistaCamRefreshNoteDlg note(parent);
  note.exec();
  settings->SetBool(tarsel::vesk::kDontAskForRefreshValue, note.DoNotShow());
}

} // namespace

DriverSetupContext DriverSetupContext::OfProgram() {
  DriverSetupContext context;
  char folder[kProgramFolderSize] = {};
  GetProgramFolder(folder, sizeof folder);
  context.programFolder = folder;
  const char* pkexec = std::getenv("TARSEL_PKEXEC");
  context.pkexec = pkexec && *pkexec ? pkexec : "/usr/bin/pkexec";
  context.alreadyRoot = ::geteuid() == 0;
  context.isAdministrator = [] { return IsAdmin(); };
  return context;
}

bool CheckDriverRegistered(const DriverSetupContext& context) {
  if (g_driverState >= 0)
    return g_driverState == 1;
  try {
    const std::string& folder = context.programFolder;
    if (!IsFileExist((folder + tarsel::vesk::kDriverConfigProgram).c_str()) ||
        !IsFileExist((folder + tarsel::veskinst::kLibraryName).c_str()) || !LibraryRegistered(context))
      g_driverState = 0;
    else
      g_driverState = IsFileExist((folder + kCameraLinkLibrary).c_str()) ? 1 : 0;
  } catch (...) {
    g_driverState = 0;
  }
  return g_driverState == 1;
}

void ResetDriverRegisteredState() {
  g_driverState = -1;
}

int UpdateCamerasInDriver(QWidget* parent, const DriverSetupContext& context) {
  const std::string configurationMissing =
      tarsel::ui::ResText(ids::IDS_DRIVER_CONFIGURATION_MISSING).toStdString();
  tarsel::platform::Module library;
  if (!library.load(context.programFolder + tarsel::veskinst::kLibraryName))
    throw _brantel_take_error(static_cast<HRESULT>(GetLastError()), configurationMissing.c_str());
  const auto update = library.function<tarsel::veskinst::UpdateCamerasFunction>("UpdateCameras");
  if (!update)
    throw _brantel_take_error(static_cast<HRESULT>(GetLastError()), configurationMissing.c_str());
  const int result = update();
  if (result != 0)
    ShowRefreshFailed(parent, result);
  return result;
}

void RunDriverConfigAsAdmin(QWidget* parent, IBaseSDK_Wr* sdk, const DriverSetupContext& context) {
  // The wait below handles every event: a second apply that arrives then
  // starts no second configuration program.
  static bool running = false;
  if (running)
    return;
  running = true;
  const auto done = qScopeGuard([] { running = false; });
  ShowRefreshNoteUnlessDeclined(parent, sdk);

  // An argument vector, never a command line: no shell sees the folder's name.
  const QString configProgram =
      QString::fromStdString(context.programFolder + tarsel::vesk::kDriverConfigProgram);
  QString program = QString::fromStdString(context.pkexec);
  QStringList arguments{configProgram, QStringLiteral("/R")};
  if (context.alreadyRoot) {
    program = configProgram;
    arguments = QStringList{QStringLiteral("/R")};
  }
  if (::access(program.toLocal8Bit().constData(), X_OK) != 0) {
    ShowRefreshFailed(parent, static_cast<HRESULT>(Win32FromErrno(errno)));
    return;
  }
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop, &process](QProcess::ProcessError) {
    if (process.state() == QProcess::NotRunning)
      loop.quit();
  });
  process.start(program, arguments);
  if (!process.waitForStarted(-1)) {
    ShowRefreshFailed(parent, static_cast<HRESULT>(ERROR_GEN_FAILURE));
    return;
  }
  // The windows keep repainting and answering while the program runs.
  if (process.state() != QProcess::NotRunning)
    loop.exec();
}
