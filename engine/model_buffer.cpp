#include "engine/model_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace {

// The later of the stamp's two times: the last moment the file was changed.
std::int64_t LastChange(const FileStamp& stamp) {
  return std::max(stamp.modified, stamp.changed);
}

// A stamp this far ahead of the clock means the clock was set back; waiting
// for it would not end.
constexpr std::int64_t kClockSetBackNs = 1'000'000'000;

// The shortest pause: below a millisecond some systems do not sleep at all.
constexpr std::int64_t kMinPauseNs = 1'000'000;

}  // namespace

ModelBuffer::~ModelBuffer() {
  Release();
}

void ModelBuffer::Release() {
  if (held_ != nullptr) {
    // The mapping goes before the hold, so no page can fault.
    files_.Unmap(bytes_, static_cast<std::size_t>(size_));
    files_.Unhold(held_);
    files_.Close(held_);
    held_ = nullptr;
  }
  if (block_ != nullptr) files_.ReleasePages(block_, blockSize_);
  block_ = nullptr;
  bytes_ = nullptr;
  size_ = 0;
  mayBeTorn_ = false;
}

bool ModelBuffer::Unchanged() const {
  if (mayBeTorn_) return false;
  if (held_ == nullptr) return true;
  return files_.HoldIntact(held_) || files_.Stamp(held_) == stamp_;
}

bool ModelBuffer::AwaitQuiet(std::FILE* file, FileStamp& stamp) {
  stamp = files_.Stamp(file);
  // The bound is on the clock, not on the pauses asked for: a pause may end
  // early (a short sleep returns at once on some systems), and counting what
  // was asked would give up on a file long before it had time to settle.
  const std::int64_t start = files_.Now();
  for (;;) {
    const std::int64_t now = files_.Now();
    const std::int64_t age = now - LastChange(stamp);
    if (age >= kQuietNs || age < -kClockSetBackNs) return true;
    if (now - start >= kQuietBoundNs) return false;
    files_.Pause(std::max(std::min(kQuietNs - age, kQuietNs), kMinPauseNs));
    stamp = files_.Stamp(file);
  }
}

std::size_t ModelBuffer::ReadWhole(std::FILE* file, std::uint8_t* block, std::int32_t measured) {
  FileStamp before;
  const bool quiet = AwaitQuiet(file, before);
  // The watch is set before the stamp that the read is compared with, so a
  // write is seen by one or the other, however coarse the stamps are.
  const int watch = files_.Watch(file);
  const bool stillQuiet = quiet && files_.Stamp(file) == before;
  std::size_t read = 0;
  if (files_.Rewind(file) && measured > 0) {
    read = files_.Read(block, static_cast<std::size_t>(measured), file);
  }
  bool written = read > 0 && !files_.StillOnDisk(file, block, read);
  written = !(files_.Stamp(file) == before) || written;
  if (watch >= 0) {
    written = files_.WatchSawWrite(watch) || written;
    files_.Unwatch(watch);
  }
  mayBeTorn_ = !stillQuiet || written;
  return read;
}

bool ModelBuffer::MapWhole(std::FILE* file, std::int32_t measured) {
  if (!files_.Hold(file)) return false;
  // Held, the size can no longer change. A file that shrank is left to the
  // read, which reports the short count.
  const void* view = nullptr;
  if (files_.MeasureSize(file) >= measured) {
    view = files_.Map(file, static_cast<std::size_t>(measured));
  }
  if (view == nullptr) {
    files_.Unhold(file);
    return false;
  }
  // Held, no write gets through; one that came just before may be part of a
  // rewrite still going on.
  mayBeTorn_ = !AwaitQuiet(file, stamp_);
  held_ = file;
  bytes_ = static_cast<const std::uint8_t*>(view);
  size_ = measured;
  return true;
}

bool ModelBuffer::Load(const char* path) {
  Release();
  std::FILE* file = files_.OpenRead(path);
  if (file == nullptr) {
    log_.Printf("ERROR: fopen failed\n");
    return false;
  }
  // Measured, mapped or read through this one handle: a model replaced by
  // rename meanwhile is never mixed with the file that was measured.
  const std::int64_t measured64 = files_.MeasureSize(file);
  if (measured64 < 0) {
    files_.Close(file);
    log_.Printf("ERROR: ftell failed\n");
    return false;
  }
  if (measured64 > std::numeric_limits<std::int32_t>::max()) {
    files_.Close(file);
    log_.Printf("ERROR: file too large\n");
    return false;
  }
  const auto measured = static_cast<std::int32_t>(measured64);
  if (measured > 0 && MapWhole(file, measured)) {
    log_.Printf("fsize: %d(%d)\n", measured, size_);
    return true;
  }

  std::uint8_t* block = nullptr;
  if (measured > 0) {
    // Huge pages: reading into fresh 4 KiB pages costs a fault per page.
    block = static_cast<std::uint8_t*>(files_.AllocatePages(static_cast<std::size_t>(measured)));
    if (block == nullptr) {
      files_.Close(file);
      log_.Printf("ERROR: malloc failed\n");
      return false;
    }
  }
  const std::size_t read = ReadWhole(file, block, measured);
  files_.Close(file);
  const auto count = static_cast<std::int32_t>(read);

  log_.Printf("fsize: %d(%d)\n", measured, count);
  if (count < measured) {
    log_.Printf("ERROR: fread failed: request %ld, read %ld\n", static_cast<long>(measured),
                static_cast<long>(count));
    if (block != nullptr) files_.ReleasePages(block, static_cast<std::size_t>(measured));
    mayBeTorn_ = false;
    return false;
  }
  block_ = block;
  blockSize_ = static_cast<std::size_t>(measured);
  bytes_ = block;
  size_ = count;
  return true;
}
