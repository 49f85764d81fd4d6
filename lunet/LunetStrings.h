// The control's texts.
#pragma once

namespace tarsel::lunet {

inline constexpr const char* kLunetCtrlTypeName = "Lunet Control";           // string 1
inline constexpr const char* kLunetPropPageTypeName = "Lunet Property Page"; // string 2
// The description of every exception a member raises (string 201); the code
// it carries tells what failed.
inline constexpr const char* kLunetFailureText = "The camera operation failed.";
// The source named in those exceptions.
inline constexpr const char* kLunetSource = "Lunet";

} // namespace tarsel::lunet
