// The host's direct files: POSIX descriptors, read with pread and written with pwrite, so
// that every write is in the operating system when the call returns.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/direct_files.hpp"

namespace platform {
namespace {

long hostPwrite(int descriptor, const void* data, std::size_t size, std::uint64_t offset) {
  return ::pwrite(descriptor, data, size, static_cast<off_t>(offset));
}

PositionalWrite positionalWrite = &hostPwrite;

DirectStatus systemError(int error) {
  return {error == ENOENT ? DirectResult::NotFound : DirectResult::Error,
          static_cast<std::int32_t>(error)};
}

class HostFile final : public DirectFile {
 public:
  HostFile(int descriptor, std::string name, bool writable = true)
      : descriptor_(descriptor), name_(std::move(name)), writable_(writable) {}
  ~HostFile() override {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;

  DirectStatus read(std::uint64_t offset, std::span<std::byte> bytes, std::size_t& count) override {
    count = 0;
    while (count < bytes.size()) {
      const ssize_t got = ::pread(descriptor_, bytes.data() + count, bytes.size() - count,
                                  static_cast<off_t>(offset + count));
      if (got < 0) {
        if (errno == EINTR) continue;
        return systemError(errno);
      }
      if (got == 0) break;  // end of file
      count += static_cast<std::size_t>(got);
    }
    return {};
  }

  DirectStatus write(std::uint64_t offset, std::span<const std::byte> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const long put =
          positionalWrite(descriptor_, bytes.data() + done, bytes.size() - done, offset + done);
      if (put < 0) {
        if (errno == EINTR) continue;
        return systemError(errno);
      }
      // A write that writes nothing and reports no error would be tried for ever.
      if (put == 0) return systemError(EIO);
      done += static_cast<std::size_t>(put);
    }
    return {};
  }

  bool writable() const override { return writable_; }

  DirectStatus close(bool keep) override {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    int error = 0;
    if (::close(descriptor) != 0) error = errno;
    // A scratch file has no name: it was unlinked when it was made.
    if (!keep && !name_.empty() && ::unlink(name_.c_str()) != 0 && error == 0) error = errno;
    return error == 0 ? DirectStatus{} : systemError(error);
  }

 private:
  int descriptor_;
  std::string name_;
  bool writable_;
};

// A new file in the temporary directory, unlinked at once so that it goes when closed,
// even when the run stops without closing it.
DirectStatus openScratch(std::unique_ptr<DirectFile>& file) {
  std::error_code ignored;
  std::filesystem::path directory = std::filesystem::temp_directory_path(ignored);
  if (directory.empty()) directory = "/tmp";
  std::string pattern = (directory / "vendrakol-scratch-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int descriptor = ::mkstemp(buffer.data());
  if (descriptor < 0) return systemError(errno);
  ::unlink(buffer.data());
  file = std::make_unique<HostFile>(descriptor, std::string());
  return {};
}

class HostFileSystem final : public DirectFileSystem {
 public:
  DirectStatus open(std::string_view name, DirectOpen how,
                    std::unique_ptr<DirectFile>& file) override {
    if (how == DirectOpen::Scratch) return openScratch(file);
    const std::string path(name);
    const int create = how == DirectOpen::Unknown ? O_CREAT : 0;
    int descriptor = ::open(path.c_str(), O_RDWR | O_CLOEXEC | create, 0666);
    bool writable = true;
    // A file the run may not write is still opened for reading (a read-only database).
    if (descriptor < 0 && (errno == EACCES || errno == EROFS)) {
      descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      writable = false;
    }
    if (descriptor < 0) return systemError(errno);
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
      const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
      ::close(descriptor);
      return systemError(error);
    }
    file = std::make_unique<HostFile>(descriptor, path, writable);
    return {};
  }
};

}  // namespace

PositionalWrite setHostPositionalWrite(PositionalWrite write) {
  const PositionalWrite previous = positionalWrite;
  positionalWrite = write != nullptr ? write : &hostPwrite;
  return previous;
}

DirectFileSystem& hostFileSystem() {
  static HostFileSystem system;
  return system;
}

}  // namespace platform
