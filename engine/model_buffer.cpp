#include "engine/model_buffer.h"

#include <algorithm>
#include <cerrno>
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
  LetGoOfFile();
  own_.Release();
}

std::span<std::uint8_t> ModelBuffer::LetGoOfFile() {
  if (held_ != nullptr) {
    // The mapping goes before the hold, so no page can fault.
    if (mapped_) files_.Unmap(bytes_, static_cast<std::size_t>(size_));
    files_.Unhold(held_);
    files_.Close(held_);
    held_ = nullptr;
    mapped_ = false;
  }
  const std::span<std::uint8_t> room =
      readBlock_ == nullptr ? std::span<std::uint8_t>()
                            : std::span<std::uint8_t>(readBlock_, static_cast<std::size_t>(size_));
  readBlock_ = nullptr;
  bytes_ = nullptr;
  size_ = 0;
  mayBeTorn_ = false;
  return room;
}

bool ModelBuffer::Unchanged() const {
  if (mayBeTorn_) return false;
  if (held_ == nullptr) return true;
  // A break asked for means a writer is waiting to change the file: what was
  // walked may be the last state before a rewrite.
  return files_.HoldIntact(held_) && files_.Stamp(held_) == stamp_;
}

bool ModelBuffer::TimeLeft() const {
  return files_.Now() < deadline_;
}

bool ModelBuffer::MayTryAgain() const {
  return !mayBeTorn_ && TimeLeft();
}

bool ModelBuffer::AwaitQuiet(std::FILE* file, FileStamp& stamp) {
  stamp = files_.Stamp(file);
  // The bound is on the clock, not on the pauses asked for: a pause may end
  // early (a short sleep returns at once on some systems), and counting what
  // was asked would give up on a file long before it had time to settle.
  for (;;) {
    const std::int64_t now = files_.Now();
    const std::int64_t age = now - LastChange(stamp);
    if (age >= kQuietNs || age < -kClockSetBackNs) return true;
    if (now >= deadline_) return false;
    files_.Pause(std::max(std::min(kQuietNs - age, kQuietNs), kMinPauseNs));
    stamp = files_.Stamp(file);
  }
}

std::size_t ModelBuffer::ReadWhole(std::FILE* file, std::uint8_t* block, std::int32_t measured,
                                   const FileStamp& before, bool& torn) {
  // The watch is set before the stamp that the read is compared with, so a
  // write is seen by one or the other, however coarse the stamps are.
  const int watch = files_.Watch(file);
  const bool stillQuiet = files_.Stamp(file) == before;
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
  torn = !stillQuiet || written;
  return read;
}

ModelBuffer::HoldOutcome ModelBuffer::TakeHeld(std::FILE* file, const FileStamp& stamp) {
  if (!files_.Hold(file)) return HoldOutcome::Refused;
  // Held, the file can no longer change; it must still be the one that came
  // to rest.
  if (!(files_.Stamp(file) == stamp)) {
    files_.Unhold(file);
    return HoldOutcome::Moved;
  }
  const auto size = static_cast<std::size_t>(stamp.size);
  const bool map = files_.MapsBetter(size);
  const void* view = nullptr;
  if (map) {
    view = files_.Map(file, size);
  } else {
    std::uint8_t* block = pages_.Take(size);
    if (block == nullptr) {
      files_.Unhold(file);
      return HoldOutcome::NoMemory;
    }
    // Held, the file cannot change under the read: no stamps or watch needed.
    if (files_.Rewind(file) && files_.Read(block, size, file) == size) view = readBlock_ = block;
  }
  if (view == nullptr) {
    // Read unheld instead, which tells its own failure.
    files_.Unhold(file);
    return HoldOutcome::Refused;
  }
  held_ = file;
  mapped_ = map;
  stamp_ = stamp;
  bytes_ = static_cast<const std::uint8_t*>(view);
  size_ = static_cast<std::int32_t>(stamp.size);
  return HoldOutcome::Held;
}

bool ModelBuffer::FailForWantOfMemory(std::FILE* file) {
  shortOfResources_ = true;
  files_.Close(file);
  log_.Printf("ERROR: malloc failed\n");
  return false;
}

bool ModelBuffer::Load(const char* path) {
  Release();
  shortOfResources_ = false;
  if (deadline_ == 0) {
    deadline_ = files_.Now() + kChangeBoundNs;
  } else {
    files_.Pause(kRetryPauseNs);  // taken again: give the writer time to go on
  }
  errno = 0;
  std::FILE* file = files_.OpenRead(path);
  if (file == nullptr) {
    shortOfResources_ = files_.FailedForWantOfResources();
    log_.Printf("ERROR: fopen failed\n");
    return false;
  }
  // Measured, mapped or read through this one handle: a model replaced by
  // rename meanwhile is never mixed with the file that was measured.
  for (;;) {
    FileStamp stamp;
    const bool quiet = AwaitQuiet(file, stamp);
    // Measured once the file has come to rest: a writer that closed it since
    // it was opened may have made it longer.
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
    if (quiet && measured > 0 && measured64 == stamp.size) {
      const HoldOutcome outcome = TakeHeld(file, stamp);
      if (outcome == HoldOutcome::Held) return true;
      if (outcome == HoldOutcome::NoMemory) return FailForWantOfMemory(file);
      if (outcome == HoldOutcome::Moved && TimeLeft()) {
        files_.Pause(kRetryPauseNs);
        continue;
      }
    }
    if (quiet && TimeLeft() && files_.OpenForWriting(file)) {
      // A writer has it open (a copy under way): its close, or a rest as
      // long as the one asked of the stamp, is what is waited for.
      const FileOps::WriterEvent event = files_.AwaitWriter(file, kQuietNs);
      if (event != FileOps::WriterEvent::Idle) continue;
      stamp = files_.Stamp(file);
      if (files_.MeasureSize(file) != measured64 || !(stamp.size == measured64)) {
        if (TimeLeft()) continue;
        stamp.size = -1;  // out of time: what is read counts as changed
      }
    }

    std::uint8_t* block = nullptr;
    if (measured > 0) {
      // Huge pages: reading into fresh 4 KiB pages costs a fault per page.
      errno = 0;
      block = pages_.Take(static_cast<std::size_t>(measured));
      if (block == nullptr) return FailForWantOfMemory(file);
    }
    bool torn = false;
    const std::size_t read = ReadWhole(file, block, measured, stamp, torn);
    const auto count = static_cast<std::int32_t>(read);
    const bool again = torn && quiet && TimeLeft();
    if (count < measured || again) {
      if (again) {  // written meanwhile: wait for it to end
        files_.Pause(kRetryPauseNs);
        continue;
      }
      files_.Close(file);
      log_.Printf("fsize: %d(%d)\n", measured, count);
      log_.Printf("ERROR: fread failed: request %ld, read %ld\n", static_cast<long>(measured),
                  static_cast<long>(count));
      return false;
    }
    files_.Close(file);
    bytes_ = readBlock_ = block;
    size_ = count;
    mayBeTorn_ = torn || !quiet;
    return true;
  }
}
