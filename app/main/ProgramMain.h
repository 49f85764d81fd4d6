// The program Tarsel from start to end: the application object (with its
// last-resort net under every event handler), TarselEnv's hooks, the
// application's start-up, the event loop until the main frame is closed (by
// the user, or by SIGTERM or SIGINT as if the user closed it) and
// shut-down. Returns the program's exit code. The product's main passes the
// default options; a test build passes its own camera families.
#pragma once

#include "app/main/TarselMApp.h"

namespace tarsel::program {

int RunTarselProgram(int argc, char** argv, TarselMAppOptions options);

} // namespace tarsel::program
