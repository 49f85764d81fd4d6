// The camera-link family's diagnostics text: everything on this machine that
// decides whether camera-link cameras can be reached, as plain text lines
// ended by CR LF for the diagnostics report and the error log. In order: the
// removable drives and whether a medium is in them (a camera in its storage
// mode shows as one), the device types the camera-link library accepts
// ("Type_S"), the attached camera-link USB devices, the devices the
// usb-storage driver holds with the disk and generic SCSI nodes it made for
// them, and whether the driver installation library reports the camera-link
// driver registered. It reads sysfs (see VeskSysfs.h) and the registry and
// changes nothing.
//
// Threads: any. Failure: whatever cannot be read is said in the text; the
// function throws only when memory runs out.
#pragma once

#include <string>

namespace tarsel::vesk {

// The installation library's path beside the running program.
std::string VeskInstLibraryPath();

// The text; with `withHeader` it starts with the family's line "SDK: 3.x".
// `installLibrary`: the path the installation library is loaded from.
std::string VeskDiagnosticText(bool withHeader, const std::string& installLibrary);

} // namespace tarsel::vesk
