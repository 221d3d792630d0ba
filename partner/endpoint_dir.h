#pragma once
// The per-user folder in which every running viewer keeps its partner endpoint, and the title file
// that lets others find a viewer by its window title. Plain C++ over POSIX.
//
// A viewer's endpoint is two files named after its endpoint id: "<id>.sock", the local socket it
// listens on, and "<id>.title", two lines: the window class "TDgaForm1" and the window title as
// the window shows it (UTF-8).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dg::partner {

// Names the folder outright when set and not empty (tests and scripts).
inline constexpr std::string_view kPartnerDirVariable = "DIRGAUGE_PARTNER_DIR";

// The class name every viewer main window announces in its title file.
inline constexpr std::string_view kWindowClass = "TDgaForm1";

inline constexpr std::string_view kSocketSuffix = ".sock";
inline constexpr std::string_view kTitleSuffix = ".title";

// A title file longer than this is not a viewer's and is ignored.
inline constexpr std::size_t kMaxTitleFileSize = 64 * 1024;

// The endpoint folder for the given environment values (null or empty meaning unset):
// overrideDir (made absolute) when set; else runtimeDir + "/dirgauge" when runtimeDir is set and
// absolute; else "/tmp/dirgauge-<uid>".
std::filesystem::path endpointDirFor(const char* overrideDir, const char* runtimeDir, unsigned uid);

// endpointDirFor(DIRGAUGE_PARTNER_DIR, XDG_RUNTIME_DIR, this process's effective user id).
std::filesystem::path defaultEndpointDir();

struct DirCheck {
    std::filesystem::path path;
    std::string error; // empty when the folder may be used; else why not (English, for the log)

    bool ok() const { return error.empty(); }
};

// Makes dir ready for endpoints: creates it with mode 0700 when missing (its parent must exist),
// then refuses it unless it is a folder (not a symbolic link), owned by this process's effective
// user, and closed to group and others. An existing folder is never changed, so another user's
// folder, or a loose one, is refused and left alone.
DirCheck prepareEndpointDir(const std::filesystem::path& dir);

// The bytes of a title file: "TDgaForm1\n" + utf8Title + "\n".
std::string composeTitleFile(std::string_view utf8Title);

struct TitleFileContent {
    std::string windowClass;
    std::string title; // UTF-8
};

// Reads a title file's bytes: the class is the first line (a CR before its LF is dropped), the
// title everything after it with one final LF removed (so a title may itself contain line
// breaks). Nothing when there is no line break at all.
std::optional<TitleFileContent> parseTitleFile(std::string_view bytes);

} // namespace dg::partner
