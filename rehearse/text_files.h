// Reading the files that runs leave behind: whole files as bytes, and their lines.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talvex::rehearse {

// The bytes of a file; nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::filesystem::path& path);
// The lines of a text without their line ends (LF or CR LF); the empty ones only if asked for.
std::vector<std::string> Lines(const std::string& text, bool keepEmpty = false);

}  // namespace talvex::rehearse
