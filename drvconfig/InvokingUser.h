// The registry of the user who asked for the elevation. Started through
// pkexec the program runs as root with root's home, but the camera models to
// serve are the ones the user chose, in the user's own registry: the user
// hive is pointed there before anything reads it. A folder set for the
// user hive explicitly is kept. Call once at start, before any thread.
#pragma once

namespace tarsel::drvconfig {

// True when the user hive was pointed at the invoking user's folder.
bool UseInvokingUsersRegistry();

} // namespace tarsel::drvconfig
