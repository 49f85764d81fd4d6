// The camera-link driver set-up of the main program: the test whether the
// cameras' access configuration is installed, the refresh through the
// installation library, and the start of the driver configuration program
// "BrantelVeskConfig /R" with administrator rights (through pkexec, or
// directly when the program already runs as root) while the windows keep
// answering.
//
// The files are looked for in the program's folder: the configuration
// program, the installation library (libBrantelVeskInst.so) and the
// camera-link library (libVeskDLL.so). Tests hand in another folder, a
// stand-in for pkexec and the answers of the user tests.
//
// User-interface thread only. Failure: the driver test never throws (every
// failure means "not installed"); the refresh throws _brantel_take_error
// (the loader's Win32 number, string 160) when the library or its entry is
// missing; a configuration program that cannot be started is shown with
// string 154.
#pragma once

#include <functional>
#include <string>

class IBaseSDK_Wr;
class QWidget;

namespace tarsel::vesk {

inline constexpr const char* kDriverConfigProgram = "BrantelVeskConfig";
inline constexpr const char* kDontAskForRefreshValue = "DontAskForRefreshBrantelVesk";

struct DriverSetupContext {
  std::string programFolder;             // with a trailing separator
  std::string pkexec;                    // the elevation command
  bool alreadyRoot = false;              // the program runs as root: no elevation
  std::function<bool()> isAdministrator; // the administrator test

  // The running program's folder, $TARSEL_PKEXEC or /usr/bin/pkexec, the
  // effective user and IsAdmin.
  static DriverSetupContext OfProgram();
};

} // namespace tarsel::vesk

// Whether the access configuration is installed; tested once per process.
bool CheckDriverRegistered(const tarsel::vesk::DriverSetupContext& context);
// Forgets the tested state (tests only).
void ResetDriverRegisteredState();
// Runs "UpdateCameras" of the installation library; 0, or its non-zero
// result after string 154 was shown.
int UpdateCamerasInDriver(QWidget* parent, const tarsel::vesk::DriverSetupContext& context);
// Shows the refresh note (unless the family's settings say not to), starts
// the configuration program with "/R" elevated and waits for it to end.
void RunDriverConfigAsAdmin(QWidget* parent, IBaseSDK_Wr* sdk,
                            const tarsel::vesk::DriverSetupContext& context);
