// The main program's application object: its start-up (InitInstance)
// registers the program's error facilities with TarselEnv's message table,
// loads the saver plug-ins into the saver list, makes the settings object and
// the main frame and shows the frame; its shut-down (ExitInstance), after the
// frame is gone, deletes the saver list (ending and unloading every plug-in),
// releases the settings,
// shuts the camera families down (ActiveX, camera-link, Canon) and
// unregisters the facilities. It also carries the application's commands:
// a new camera window (OnFileNew) and the About box (57664).
//
// One object per program, made and used on the user-interface thread;
// Instance() finds it. Failure: InitInstance answers FALSE when the frame
// cannot be made (the error is reported); ExitInstance runs every step even
// when an earlier one throws, and may be called more than once.
#pragma once

#include "app/frame/MainFrame.h"
#include "app/frame/SdkFamily.h"
#include "hostapi/Win32Types.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

class CChildFrame;
class CSaveDllList;
class ITarselSettings;
struct MessageTable;

// What the application is built with (tests replace the settings object and
// the families, and keep the frame hidden).
struct TarselMAppOptions {
  // How the frame is built; its families (empty: the product's) are also
  // the ones shut down at exit.
  MainFrameOptions frame;
  // Makes the settings object (count 0; the application takes its one
  // reference); empty: the registry-backed settings.
  std::function<ITarselSettings*()> makeSettings;
  // The folder of the saver plug-ins; empty: the program's folder.
  std::string saverFolder;
  bool showFrame = true;
};

class CTarselMApp : public QObject {
  Q_OBJECT

public:
  using Options = TarselMAppOptions;

  // The facilities whose texts TarselEnv's message table holds for the program.
  static constexpr unsigned long kFacilities[] = {0x102, 0x105, 0x106};

  explicit CTarselMApp(Options options = {});
  ~CTarselMApp() override;
  CTarselMApp(const CTarselMApp&) = delete;
  CTarselMApp& operator=(const CTarselMApp&) = delete;

  // The application object of the program, or null.
  static CTarselMApp* Instance();

  BOOL InitInstance();
  int ExitInstance();

  // A new, empty camera window in the frame's MDI client; null without a frame.
  CChildFrame* OnFileNew();
  // Shows the About box modally over the frame (the frame's command 57664).
  void OnAppAbout();

  // Program-wide values that start-up sets.
  CMainFrame* MainFrame() const { return m_frame; }
  // No reference is added; null before start-up and after shut-down.
  ITarselSettings* Settings() const { return m_settings; }
  // The saver list; null before start-up, after shut-down, and when the
  // plug-ins' folder could not be read (the error was reported).
  CSaveDllList* SaverList() const { return m_savers; }
  // Whether the common controls are of version 6 or later. There is no
  // common-controls library on this platform: the widgets always have what
  // the newer version offered (32-bit images), so start-up sets it.
  bool HasCommonControls6() const { return m_commonControls6; }
  // The message table the facilities are registered with while the program
  // runs (TarselEnv is linked into the program); null outside that time.
  const MessageTable* EnvModule() const { return m_envModule; }

private:
  void ShutdownFamilies();

  Options m_options;
  const MessageTable* m_envModule = nullptr;
  CSaveDllList* m_savers = nullptr;
  ITarselSettings* m_settings = nullptr;
  QPointer<CMainFrame> m_frame;
  bool m_commonControls6 = false;
  bool m_exited = false;
};
