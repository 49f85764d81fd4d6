// How the saver plug-ins name saved pictures: the numbered name, the names of a series,
// the naming update after the user chose a name, and the cleaning of names
// that come from a camera or the user before they become part of a path.
// Pure functions over the host's ISaveInfo; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ISaveInfo;
class IPictureFromCamera;

namespace tarsel::savers {

// The digit count of a counter, bounded to 0..10: a count from the settings
// never widens a name beyond what a 32-bit counter needs.
int BoundedDigits(std::int32_t digits);

// prefix + counter (unsigned, at least `digits` digits with leading zeros) + extension.
std::string NumberedName(std::string_view prefix, std::uint32_t counter, std::int32_t digits,
                         std::string_view extension);

// The name proposed for a picture: its own file name when it has one, else
// the numbered name from the save information.
std::string ProposedName(ISaveInfo& info, IPictureFromCamera& picture);

// The name of a direct save: the save information's file name, else the
// numbered name; made a single path component.
std::string DirectSaveName(ISaveInfo& info, IPictureFromCamera& picture);

// How many numbers a direct save tries past a taken one: the pictures of many
// earlier sessions in one folder, and still a bounded search.
inline constexpr unsigned kMaxNumbersTried = 100000;
// Whether the direct-save name changes with the counter (a numbered name),
// unlike the camera's own file name or a fixed one. Leaves the counter as it was.
bool IsNumberedDirectSave(ISaveInfo& info, IPictureFromCamera& picture);
// The direct-save name `index` numbers past `counter`, the counter set to that
// number; "" past the counter's last value (the sum never wraps round).
std::string DirectSaveNameAfter(ISaveInfo& info, IPictureFromCamera& picture, std::uint32_t counter,
                                unsigned index);
// The save information's sub-folder made a single path component; "" for none.
std::string SubFolderName(ISaveInfo& info);

// The base of a series' names: prefix + counter + "_".
std::string SeriesBase(std::string_view prefix, std::uint32_t counter, std::int32_t digits);
// The number of picture `index` (from 0) in a series of `count`: 1, 2 ... below
// 9 pictures, 01, 02 ... from 9 on.
std::string SeriesNumber(std::size_t index, std::size_t count);

// After the user chose `name`: reports it as the aux text and takes prefix and
// next counter from its stem, the trailing digits (at most the digit count)
// being the counter.
void SetNamingFromFileName(ISaveInfo& info, std::string_view name);

// One path component from a text a camera or a user supplied: "/" and
// control characters become "_", and so do its leading dots, so that it
// names no folder level ("." or "..") and no hidden file.
std::string SafeNameComponent(std::string_view text);

} // namespace tarsel::savers
