// The identifiers of the Lunet control: its type library, dispatch and event
// interfaces, control class and property-page class, with the program
// identifiers and type names they are registered under. A host that creates
// the control by class includes this header only.
#pragma once

#include "platform/com/Guid.h"

namespace tarsel::lunet {

inline constexpr GUID LIBID_LUNETLib{
    0x65EC6310, 0xAFEE, 0x4B65, {0xA2, 0x58, 0xD7, 0xEA, 0x90, 0x2E, 0xE0, 0x49}};
inline constexpr IID DIID_DLunet{
    0x65EC6311, 0xAFEE, 0x4B65, {0xA2, 0x58, 0xD7, 0xEA, 0x90, 0x2E, 0xE0, 0x49}};
inline constexpr IID DIID_DLunetEvents{
    0x65EC6312, 0xAFEE, 0x4B65, {0xA2, 0x58, 0xD7, 0xEA, 0x90, 0x2E, 0xE0, 0x49}};
inline constexpr CLSID CLSID_LunetCtrl{
    0x65EC6313, 0xAFEE, 0x4B65, {0xA2, 0x58, 0xD7, 0xEA, 0x90, 0x2E, 0xE0, 0x49}};
inline constexpr CLSID CLSID_LunetPropPage{
    0x65EC6314, 0xAFEE, 0x4B65, {0xA2, 0x58, 0xD7, 0xEA, 0x90, 0x2E, 0xE0, 0x49}};

inline constexpr const char* kLunetTypeLibName = "LUNETLib";
inline constexpr const char* kLunetTypeLibVersion = "1.0";
inline constexpr const char* kLunetCtrlProgId = "LUNET.LunetCtrl.1";
inline constexpr const char* kLunetPropPageProgId = "LUNET.LunetPropPage.1";

// The control's miscellaneous-status bits: set client site first, invisible
// at run time, inside-out, can't link inside, recompose on resize.
inline constexpr DWORD kLunetMiscStatus = 0x20491;

// The Progress event's identifier in _DLunetEvents.
inline constexpr long kProgressEventId = 1;

} // namespace tarsel::lunet
