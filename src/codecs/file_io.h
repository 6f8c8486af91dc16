#pragma once

#include <sys/uio.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanti {

// The whole file as bytes. Throws Error("Cannot open file <path>") when it cannot be
// opened or read.
std::string ReadWholeFile(const std::filesystem::path& path);

// A file opened for reading at given places, for a reader that takes only the parts it
// needs. Every call fails softly (a file that did not open reads as nothing), so that the
// reader can fall back on ReadWholeFile and its errors.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::filesystem::path& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // The length of a regular file; nothing for any other kind, or a file that did not open.
  std::optional<std::uint64_t> RegularSize() const;
  // Up to `size` bytes from `offset`: fewer at the end, none on an error.
  std::string ReadAt(std::uint64_t offset, std::size_t size) const;
  // The parts from `offset` on, in order; false unless every byte came.
  bool ReadParts(std::uint64_t offset, std::vector<iovec>& parts) const;

 private:
  int fd_;
};

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

// A file's bytes written ahead into a file of the target's folder that has no name yet, so
// that the writing can be done on any thread while the names are given in their order.
// Until Commit nothing is in the folder, and a file never committed leaves nothing behind.
class StagedFile {
 public:
  StagedFile() = default;
  StagedFile(std::string bytes, std::filesystem::path path);
  ~StagedFile();
  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&& other) noexcept;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Writes the bytes into a file without a name (it stays open until Commit), unless the
  // target is there already. Never fails: where no such file is made, Commit writes the
  // bytes itself.
  void Stage();
  // Gives the file its name. A target that is there already (it is replaced as
  // WriteWholeFile replaces it), and any failure, go the way of WriteWholeFile, with its
  // errors and messages.
  void Commit(CreateFailure style);

 private:
  void Close();

  std::string bytes_;
  std::filesystem::path path_;
  int fd_ = -1;
};

// The runtime's text for a system error code, as file errors report it.
std::string IoErrorMessage(int error_code);

}  // namespace corvanti
