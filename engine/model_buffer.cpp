#include "engine/model_buffer.h"

#include <cstdint>
#include <cstdio>
#include <limits>

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
  if (block_ != nullptr) files_.Release(block_);
  block_ = nullptr;
  bytes_ = nullptr;
  size_ = 0;
  readOverlappedChange_ = false;
}

bool ModelBuffer::Unchanged() const {
  if (held_ == nullptr) return !readOverlappedChange_;
  return files_.HoldIntact(held_) || files_.Stamp(held_) == stamp_;
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
  stamp_ = files_.Stamp(file);
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
  const std::int64_t measured64 = files_.MeasureSize(file);
  files_.Close(file);
  if (measured64 < 0) {
    log_.Printf("ERROR: ftell failed\n");
    return false;
  }
  if (measured64 > std::numeric_limits<std::int32_t>::max()) {
    log_.Printf("ERROR: file too large\n");
    return false;
  }
  const auto measured = static_cast<std::int32_t>(measured64);

  file = files_.OpenRead(path);
  if (file == nullptr) {
    log_.Printf("ERROR: fopen failed\n");
    return false;
  }
  if (measured > 0 && MapWhole(file, measured)) {
    log_.Printf("fsize: %d(%d)\n", measured, size_);
    return true;
  }

  std::uint8_t* block = nullptr;
  if (measured > 0) {
    block = static_cast<std::uint8_t*>(files_.Allocate(static_cast<std::size_t>(measured)));
    if (block == nullptr) {
      files_.Close(file);
      log_.Printf("ERROR: malloc failed\n");
      return false;
    }
  }
  // A write by another program that overlaps the read moves the stamp; the
  // block may then hold pieces of two versions.
  const FileStamp before = files_.Stamp(file);
  std::size_t read = 0;
  if (files_.Rewind(file) && measured > 0) {
    read = files_.Read(block, static_cast<std::size_t>(measured), file);
  }
  const bool changed = !(files_.Stamp(file) == before);
  files_.Close(file);
  const auto count = static_cast<std::int32_t>(read);

  log_.Printf("fsize: %d(%d)\n", measured, count);
  if (count < measured) {
    log_.Printf("ERROR: fread failed: request %ld, read %ld\n", static_cast<long>(measured),
                static_cast<long>(count));
    if (block != nullptr) files_.Release(block);
    return false;
  }
  block_ = block;
  bytes_ = block;
  size_ = count;
  readOverlappedChange_ = changed;
  return true;
}
