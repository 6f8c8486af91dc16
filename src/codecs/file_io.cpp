#include "codecs/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>
#include <utility>

#include "codecs/error.h"

namespace corvanti {
namespace {

std::string CannotOpen(const std::filesystem::path& path) {
  return "Cannot open file " + path.string();
}

// A system error while writing, with the file it was writing.
Error WriteError(int error_code, const std::filesystem::path& path) {
  return Error(IoErrorMessage(error_code) + " (" + path.string() + ")");
}

// Writes all the bytes; false on an error.
bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Closes a descriptor and removes the scratch file unless told the file was kept.
class ScratchFile {
 public:
  ScratchFile(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~ScratchFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  int fd() const { return fd_; }
  int Close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }
  void Keep() { kept_ = true; }

 private:
  std::filesystem::path path_;
  int fd_;
  bool kept_ = false;
};

}  // namespace

std::string IoErrorMessage(int error_code) {
  switch (error_code) {
    case ENOENT: return "Path not found";
    case EACCES:
    case EPERM:
    case EROFS: return "File access denied";
    case ENOSPC: return "Disk full";
    case EISDIR: return "Is a folder, not a file";
    case ENAMETOOLONG: return "Invalid filename";
    default: return "I/O error " + std::to_string(error_code);
  }
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error(CannotOpen(path));
  // Sized once from the file's length, so a large picture is not copied while it grows;
  // a file that grows meanwhile (or reports no length) is read on to its end.
  struct stat info {};
  std::string bytes;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
  }
  // read() gives -1 for an error, 0 at the end, else a count; interrupted calls go again.
  auto read_some = [fd](char* into, std::size_t size) {
    for (;;) {
      const ssize_t n = ::read(fd, into, size);
      if (n >= 0 || errno != EINTR) return n;
    }
  };
  std::size_t filled = 0;
  ssize_t n = 1;
  while (filled < bytes.size() && (n = read_some(bytes.data() + filled, bytes.size() - filled)) > 0) {
    filled += static_cast<std::size_t>(n);
  }
  bytes.resize(filled);
  // Whatever lies past the length it had when opened.
  char chunk[1 << 16];
  while (n > 0 && (n = read_some(chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<std::size_t>(n));
  // A folder opens on some systems but does not read.
  const bool failed = n < 0;
  ::close(fd);
  if (failed) throw Error(CannotOpen(path));
  return bytes;
}

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::uint64_t> ReadOnlyFile::RegularSize() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

std::string ReadOnlyFile::ReadAt(std::uint64_t offset, std::size_t size) const {
  std::string bytes(size, '\0');
  ssize_t n;
  do {
    n = fd_ < 0 ? -1 : ::pread(fd_, bytes.data(), size, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

bool ReadOnlyFile::ReadParts(std::uint64_t offset, std::vector<iovec>& parts) const {
  std::size_t next = 0;
  while (next < parts.size()) {
    const int count = static_cast<int>(std::min<std::size_t>(parts.size() - next, IOV_MAX));
    const ssize_t n = fd_ < 0 ? -1 : ::preadv(fd_, parts.data() + next, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    offset += static_cast<std::uint64_t>(n);
    // Past the parts read whole; a part read in part goes again from where it stopped.
    for (std::size_t left = static_cast<std::size_t>(n); left > 0;) {
      iovec& part = parts[next];
      const std::size_t took = std::min(left, part.iov_len);
      part.iov_base = static_cast<char*>(part.iov_base) + took;
      part.iov_len -= took;
      left -= took;
      if (part.iov_len == 0) ++next;
    }
  }
  return true;
}

bool FileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

void WriteWholeFile(std::string_view bytes, const std::filesystem::path& path, CreateFailure style) {
  auto fail = [&](int code) -> void {
    if (style == CreateFailure::kCannotCreate) throw Error("Cannot create file " + path.string());
    throw WriteError(code, path);
  };
  // A read-only target stays read-only: renaming over it would get round its protection.
  // One call tells it (a missing target or folder fails its own way, further on); an export
  // writes thousands of files, and each call here is one more for every one of them.
  if (::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fail(EACCES);
  }

  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::filesystem::path scratch = path;
  scratch += ".part-" + std::to_string(random() % 1000000000ULL);
  int fd = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) fail(errno);
  ScratchFile file(scratch, fd);

  if (!WriteAll(file.fd(), bytes)) throw WriteError(errno, path);
  if (file.Close() != 0) throw WriteError(errno, path);
  // A folder in the target's place refuses the rename (EISDIR); the scratch file goes.
  if (std::rename(scratch.c_str(), path.c_str()) != 0) fail(errno);
  file.Keep();
}

StagedFile::StagedFile(std::string bytes, std::filesystem::path path)
    : bytes_(std::move(bytes)), path_(std::move(path)) {}

void StagedFile::Stage() {
  if (fd_ >= 0) return;
  // A file that replaces another is written beside it and renamed over it by Commit, as
  // WriteWholeFile does; staging it as well would only write it twice.
  if (::access(path_.c_str(), F_OK) == 0 || errno != ENOENT) return;
  const std::filesystem::path folder = path_.has_parent_path() ? path_.parent_path() : ".";
  fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd_ >= 0 && !WriteAll(fd_, bytes_)) Close();
}

StagedFile::~StagedFile() { Close(); }

StagedFile::StagedFile(StagedFile&& other) noexcept
    : bytes_(std::move(other.bytes_)), path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
  if (this != &other) {
    Close();
    bytes_ = std::move(other.bytes_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void StagedFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void StagedFile::Commit(CreateFailure style) {
  if (fd_ >= 0) {
    // The file is dated when it is named, so that the files of a folder are dated in the
    // order of their names, as when each was written then; it gets its name only where
    // none is taken yet, in one step.
    ::futimens(fd_, nullptr);
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    const bool named = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0;
    Close();
    if (named) return;
  }
  // Anything else (a target there already, no unnamed file, a folder in the way) goes
  // the way of WriteWholeFile, with its errors.
  WriteWholeFile(bytes_, path_, style);
}

}  // namespace corvanti
