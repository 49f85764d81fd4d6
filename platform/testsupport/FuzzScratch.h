// A scratch folder of the fuzz target's own process, for targets whose code
// under test reads or writes files: made on first use in $TMPDIR (else
// /tmp) and removed with everything in it when the process ends normally.
// The fuzz runners point TMPDIR into the target's private home, so a crash
// leaves its files there, not in the shared /tmp.
#pragma once

#include <cstddef>
#include <string>

namespace tarsel::test {

// The path of `name` in the process's scratch folder.
std::string FuzzScratchPath(const std::string& name);

// Writes the bytes as the file `name` of the scratch folder (replacing what
// stood there) and gives its path; aborts when it cannot, as the target
// would then test nothing.
std::string WriteFuzzScratchFile(const std::string& name, const void* data, std::size_t size);

} // namespace tarsel::test
