// Writing a picture's bytes to its file so that the file is either whole or
// not there: the bytes go to a temporary file in the target folder, are
// flushed to disk and only then renamed to the final name. A short write (a
// full disk, a file size limit) or any other failure removes the temporary
// file and throws; the final name then keeps what it held before. Temporary
// files that a killed writer left in the folder go before the first write
// there. Any thread; concurrent writers use distinct temporary names.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class IPictureFromCamera;

namespace tarsel::filesaver {

// Throws _brantel_take_error(Win32 number of the failure, path).
void WritePictureFile(const std::string& path, std::string_view bytes);

// The picture's encoded bytes as they are now, written as above.
void WritePictureFile(const std::string& path, IPictureFromCamera& picture);

// The picture's bytes as a new file that never replaces one: at `path`, or at
// the first free name of those `nextPath` gives (see CreateWholeFile).
// Returns the path used; throws as above, 183 when every name is taken.
std::string CreatePictureFile(const std::string& path, IPictureFromCamera& picture,
                              const std::function<std::string(unsigned)>& nextPath, unsigned names);

} // namespace tarsel::filesaver
