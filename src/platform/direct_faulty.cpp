// A file system that spoils chosen operations of another, so that the failure paths of the
// layers above can be run without a broken disk.
#include <cerrno>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/direct_files.hpp"

namespace platform {

struct FaultyFileSystem::Counters {
  DirectFaults faults;
  int opens = 0;
  int reads = 0;
  int writes = 0;
  int closes = 0;
};

namespace {

bool selected(const DirectFaults& faults, std::string_view name) {
  const std::string_view ending = faults.nameEnding;
  return ending.empty() ||
         (name.size() >= ending.size() && name.substr(name.size() - ending.size()) == ending);
}

class FaultyFile final : public DirectFile {
 public:
  FaultyFile(std::unique_ptr<DirectFile> inner,
             std::shared_ptr<FaultyFileSystem::Counters> counters, bool counted, bool readOnly)
      : inner_(std::move(inner)),
        counters_(std::move(counters)),
        counted_(counted),
        readOnly_(readOnly) {}

  DirectStatus read(std::uint64_t offset, std::span<std::byte> bytes, std::size_t& count) override {
    if (!counted_) return inner_->read(offset, bytes, count);
    const int n = ++counters_->reads;
    const DirectFaults& faults = counters_->faults;
    if (n == faults.shortRead) {
      const std::size_t shorter = bytes.size() > faults.shortBy ? bytes.size() - faults.shortBy : 0;
      return inner_->read(offset, bytes.first(shorter), count);
    }
    const DirectStatus status = inner_->read(offset, bytes, count);
    if (status.ok() && n == faults.flipRead && faults.flipOffset < count) {
      bytes[faults.flipOffset] = ~bytes[faults.flipOffset];
    }
    return status;
  }

  DirectStatus write(std::uint64_t offset, std::span<const std::byte> bytes) override {
    // A file opened for reading only: the write fails as the host's does.
    if (readOnly_) return {DirectResult::Error, EBADF};
    if (!counted_) return inner_->write(offset, bytes);
    if (++counters_->writes == counters_->faults.failWrite) return {DirectResult::Error, EIO};
    return inner_->write(offset, bytes);
  }

  bool writable() const override { return !readOnly_ && inner_->writable(); }

  DirectStatus close(bool keep) override {
    const DirectStatus status = inner_->close(keep);
    if (counted_ && ++counters_->closes == counters_->faults.failClose) {
      return {DirectResult::Error, EIO};
    }
    return status;
  }

 private:
  std::unique_ptr<DirectFile> inner_;
  std::shared_ptr<FaultyFileSystem::Counters> counters_;
  bool counted_;
  bool readOnly_;
};

}  // namespace

FaultyFileSystem::FaultyFileSystem(DirectFileSystem& inner, DirectFaults faults)
    : inner_(inner), counters_(std::make_shared<Counters>()) {
  counters_->faults = std::move(faults);
}

FaultyFileSystem::~FaultyFileSystem() = default;

DirectStatus FaultyFileSystem::open(std::string_view name, DirectOpen how,
                                    std::unique_ptr<DirectFile>& file) {
  const bool counted = selected(counters_->faults, name);
  if (counted && ++counters_->opens == counters_->faults.failOpen) {
    return {DirectResult::Error, EACCES};
  }
  std::unique_ptr<DirectFile> inner;
  const DirectStatus status = inner_.open(name, how, inner);
  if (!status.ok()) return status;
  const bool readOnly = counted && counters_->faults.readOnly && how != DirectOpen::Scratch;
  file = std::make_unique<FaultyFile>(std::move(inner), counters_, counted, readOnly);
  return {};
}

void FaultyFileSystem::setFaults(DirectFaults faults) {
  *counters_ = Counters{};
  counters_->faults = std::move(faults);
}

int FaultyFileSystem::opens() const { return counters_->opens; }
int FaultyFileSystem::reads() const { return counters_->reads; }
int FaultyFileSystem::writes() const { return counters_->writes; }

}  // namespace platform
