// Direct files held in memory, for tests that must not touch the disk.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/direct_files.hpp"

namespace platform {

using Bytes = std::vector<std::byte>;

struct MemoryFileSystem::Store {
  std::map<std::string, std::shared_ptr<Bytes>, std::less<>> files;
};

namespace {

class MemoryFile final : public DirectFile {
 public:
  MemoryFile(std::weak_ptr<MemoryFileSystem::Store> store, std::string name,
             std::shared_ptr<Bytes> bytes)
      : store_(std::move(store)), name_(std::move(name)), bytes_(std::move(bytes)) {}

  DirectStatus read(std::uint64_t offset, std::span<std::byte> bytes, std::size_t& count) override {
    count = 0;
    if (offset >= bytes_->size()) return {};
    count = std::min<std::size_t>(bytes.size(), bytes_->size() - offset);
    std::copy_n(bytes_->begin() + static_cast<std::ptrdiff_t>(offset), count, bytes.begin());
    return {};
  }

  DirectStatus write(std::uint64_t offset, std::span<const std::byte> bytes) override {
    const std::uint64_t end = offset + bytes.size();
    if (end > bytes_->size()) bytes_->resize(end, std::byte{0});
    std::copy(bytes.begin(), bytes.end(), bytes_->begin() + static_cast<std::ptrdiff_t>(offset));
    return {};
  }

  DirectStatus close(bool keep) override {
    if (!keep && !name_.empty()) {
      if (auto store = store_.lock()) {
        const auto at = store->files.find(name_);
        // Only the file this object opened: a file made again under the name stays.
        if (at != store->files.end() && at->second == bytes_) store->files.erase(at);
      }
    }
    return {};
  }

 private:
  std::weak_ptr<MemoryFileSystem::Store> store_;
  std::string name_;  // empty for a scratch file
  std::shared_ptr<Bytes> bytes_;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem() : store_(std::make_shared<Store>()) {}

MemoryFileSystem::~MemoryFileSystem() = default;

DirectStatus MemoryFileSystem::open(std::string_view name, DirectOpen how,
                                    std::unique_ptr<DirectFile>& file) {
  if (how == DirectOpen::Scratch) {
    file = std::make_unique<MemoryFile>(store_, std::string(), std::make_shared<Bytes>());
    return {};
  }
  auto at = store_->files.find(name);
  if (at == store_->files.end()) {
    if (how == DirectOpen::Old) return {DirectResult::NotFound, ENOENT};
    at = store_->files.emplace(std::string(name), std::make_shared<Bytes>()).first;
  }
  file = std::make_unique<MemoryFile>(store_, at->first, at->second);
  return {};
}

bool MemoryFileSystem::exists(std::string_view name) const {
  return store_->files.find(name) != store_->files.end();
}

std::vector<std::byte> MemoryFileSystem::contents(std::string_view name) const {
  const auto at = store_->files.find(name);
  return at == store_->files.end() ? Bytes{} : *at->second;
}

bool MemoryFileSystem::holds(std::string_view name, std::span<const std::byte> bytes) const {
  const auto at = store_->files.find(name);
  if (at == store_->files.end() || at->second->size() != bytes.size()) return false;
  return bytes.empty() || std::memcmp(at->second->data(), bytes.data(), bytes.size()) == 0;
}

void MemoryFileSystem::setContents(std::string_view name, std::vector<std::byte> bytes) {
  auto at = store_->files.find(name);
  if (at == store_->files.end()) {
    store_->files.emplace(std::string(name), std::make_shared<Bytes>(std::move(bytes)));
  } else {
    *at->second = std::move(bytes);
  }
}

void MemoryFileSystem::remove(std::string_view name) {
  const auto at = store_->files.find(name);
  if (at != store_->files.end()) store_->files.erase(at);
}

}  // namespace platform
