#pragma once
// `ResolveStoredPath`: the name under which the viewer shows a file given on its command line.
//
// The window title is "Dirgauge - " + that name, and a launching viewer finds its partner by the
// very title it builds from its own (absolute) base-file name, so the name must be absolute and
// spelled as the folders store it. Here:
// - a relative path is made absolute against the current folder, and "." and "name/.." steps are
//   removed as text (symbolic links are kept as named, not followed);
// - each component then takes the spelling of its directory entry: on a case-sensitive file
//   system the entry is the component itself; on a case-insensitive mount (a FAT or NTFS volume)
//   the entry that matched without regard to case gives its stored letters;
// - a component whose folder cannot be listed, or that has no entry, stays as given.
#include <filesystem>
#include <optional>
#include <string>

namespace dg::ui {

// The stored name of the entry called name in folder dir: name itself when an entry of exactly
// that name exists, else the one entry whose name equals it without regard to the case of ASCII
// letters; nothing when there is none or the folder cannot be listed.
std::optional<std::string> storedEntryName(const std::filesystem::path& dir, const std::string& name);

// path made absolute and spelled as stored (see above). Never throws for a bad path.
std::filesystem::path ResolveStoredPath(const std::filesystem::path& path);

} // namespace dg::ui
