#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace corvanti {

// The whole file as bytes. Throws Error("Cannot open file <path>") when it cannot be
// opened or read.
std::string ReadWholeFile(const std::filesystem::path& path);

bool FileExists(const std::filesystem::path& path);

// How a failure to create the file is reported.
enum class CreateFailure {
  kCannotCreate,  // "Cannot create file <path>"
  kIoError,       // the system's input/output error ("File access denied", "I/O error 28", ...)
};

// Writes the bytes beside the target and renames the result over it, so a failure never
// leaves a torn or empty target behind: the target holds its old bytes or all new ones.
void WriteWholeFile(std::string_view bytes, const std::filesystem::path& path,
                    CreateFailure style = CreateFailure::kIoError);

// The runtime's text for a system error code, as file errors report it.
std::string IoErrorMessage(int error_code);

}  // namespace corvanti
