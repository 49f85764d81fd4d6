// The camera-link access installation library libBrantelVeskInst.so, as its
// callers load it by name: the camera-link cameras are SCSI generic nodes
// (/dev/sg*), and what is installed is a udev rule that lets the user at the
// console (and the group plugdev) open the nodes of the supported camera
// models, the names in "Type_S" (Software\Brantel\Vesk\SupportedCamera of the
// current user, then of the machine).
//
// Results are signed: negative is a failure as an HRESULT (0x8007xxxx with
// the Win32 number: 5 when the rules folder may not be written).
//   UpdateCameras          0 done; 1 the rule is not installed (register it)
//   RegisterBrantelVesk    1 done; 0 done, but udev could not be asked to
//                          apply it: cameras must be connected again
//   UnregisterBrantelVesk  0 done
//   IsBrantelVeskRegisterd 1 when the rule file is in place and the SCSI
//                          generic driver is available, else 0
// A model name the rule cannot hold (see UdevRuleFile.h) is left out and
// makes UpdateCameras and RegisterBrantelVesk fail with 0x8007000D after the
// other models were served; BrantelVeskRefusedModels then names them:
// it writes the refused names of the current "Type_S" lists, joined by ", ",
// into `buffer` (cut to `size` - 1 bytes and always terminated when size > 0)
// and returns the length of the whole text, 0 when none is refused.
// Environment: TARSEL_UDEV_RULES_DIR (default /etc/udev/rules.d),
// TARSEL_SYSFS_ROOT (default /sys), TARSEL_UDEVADM (default: udevadm in the
// system folders; never looked up on PATH). Any thread; calls are not
// serialised against each other.
#pragma once

namespace tarsel::veskinst {

inline constexpr const char* kLibraryName = "libBrantelVeskInst.so";

using IsRegisteredFunction = int (*)();
using UpdateCamerasFunction = int (*)();
using RegisterFunction = int (*)(int);
using UnregisterFunction = int (*)(int);
using RefusedModelsFunction = int (*)(char*, int);

} // namespace tarsel::veskinst

extern "C" {
__attribute__((visibility("default"))) int IsBrantelVeskRegisterd(void);
__attribute__((visibility("default"))) int UpdateCameras(void);
__attribute__((visibility("default"))) int RegisterBrantelVesk(int reason);
__attribute__((visibility("default"))) int UnregisterBrantelVesk(int reason);
__attribute__((visibility("default"))) int BrantelVeskRefusedModels(char* buffer, int size);
}
