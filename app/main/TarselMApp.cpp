#include "app/main/TarselMApp.h"

#include "app/main/AboutDlg.h"
#include "app/saving/SaveDllList.h"
#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FacilityRegistry.h"

#include <new>
#include <utility>
#include <vector>

namespace {

CTarselMApp* g_application = nullptr;

// Start-up failures come before the frame switches reporting on: switch it
// on for this one box.
void reportStartupError(HRESULT code) {
  _brantel_take_error::DoReporting(true);
  ReportError(code, nullptr);
  _brantel_take_error::DoReporting(false);
}

} // namespace

CTarselMApp::CTarselMApp(Options options) : m_options(std::move(options)) {
  if (m_options.frame.families.empty())
    m_options.frame.families = tarsel::frame::ProductFamilies();
  if (!g_application)
    g_application = this;
}

CTarselMApp::~CTarselMApp() {
  ExitInstance();
  if (g_application == this)
    g_application = nullptr;
}

CTarselMApp* CTarselMApp::Instance() {
  return g_application;
}

BOOL CTarselMApp::InitInstance() {
  // Nothing to initialise for COM on this platform.

  // TarselEnv is linked into the program, so its message table is there
  // from the start; the program's facilities take their texts from it.
  m_envModule = &TarselEnvMessageTable();
  for (const unsigned long facility : kFacilities)
    RegisterFacility(facility, *m_envModule);

  // The registry root, SOFTWARE\drevant\Tarsel, is the settings object's own.

  // A folder that cannot be read is reported; the program runs on without
  // savers, as it does when there are none.
  try {
    m_savers = new CSaveDllList(0, m_options.saverFolder);
  } catch (const _brantel_take_error& error) {
    reportStartupError(error.Error());
  } catch (const std::bad_alloc&) {
    reportStartupError(8);
  } catch (...) {
    reportStartupError(static_cast<HRESULT>(0x8000FFFF));
  }

  try {
    ITarselSettings* settings = m_options.makeSettings ? m_options.makeSettings() : new CTarselSettings;
    if (!settings)
      throw _brantel_take_error(8);
    settings->AddRef();
    m_settings = settings;

    MainFrameOptions frameOptions = m_options.frame;
    frameOptions.about = [this] { OnAppAbout(); };
    frameOptions.savers = m_savers;
    m_frame = new CMainFrame(m_settings, std::move(frameOptions));
  } catch (const _brantel_take_error& error) {
    reportStartupError(error.Error());
    return FALSE;
  } catch (const std::bad_alloc&) {
    reportStartupError(8);
    return FALSE;
  } catch (...) {
    reportStartupError(static_cast<HRESULT>(0x8000FFFF));
    return FALSE;
  }

  m_commonControls6 = true;

  // The frame builds its own menus, toolbar and accelerators, the camera
  // windows' included.
  if (m_options.showFrame)
    m_frame->show();
  return TRUE;
}

int CTarselMApp::ExitInstance() {
  if (m_exited)
    return 0;
  m_exited = true;

  // Shut-down begins once the frame is gone: a frame still there (start-up
  // that failed half-way, or an end that did not close it) goes now.
  delete m_frame.data();

  // Every plug-in gets SavTerm and is unloaded; the wrappers swallow what a
  // plug-in throws.
  delete std::exchange(m_savers, nullptr);

  if (ITarselSettings* settings = std::exchange(m_settings, nullptr)) {
    try {
      settings->Release();
    } catch (...) {
    }
  }

  ShutdownFamilies();

  if (m_envModule) {
    for (const unsigned long facility : kFacilities)
      UnregisterFacility(facility);
    m_envModule = nullptr;
  }
  return 0;
}

void CTarselMApp::ShutdownFamilies() {
  // The frame is gone by now, so its ShutdownSdks cannot run: the same
  // release, over the families the frame was given (the product's when none).
  const auto& families = m_options.frame.families;
  tarsel::frame::ReleaseFamilies(families.empty() ? tarsel::frame::ProductFamilies() : families);
}

CChildFrame* CTarselMApp::OnFileNew() {
  if (!m_frame)
    return nullptr;
  return m_frame->CreateCameraWindow();
}

void CTarselMApp::OnAppAbout() {
  CAboutDlg dialog(m_frame);
  dialog.exec();
}
