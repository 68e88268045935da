#include "engine/model_buffer.h"

#include <cstdint>
#include <cstdio>
#include <limits>

ModelBuffer::~ModelBuffer() {
  Release();
}

void ModelBuffer::Release() {
  if (bytes_ != nullptr) files_.Release(bytes_);
  bytes_ = nullptr;
  size_ = 0;
}

bool ModelBuffer::Load(const char* path) {
  Release();
  std::FILE* file = files_.OpenRead(path);
  if (file == nullptr) {
    std::printf("ERROR: fopen failed\n");
    return false;
  }
  const std::int64_t measured64 = files_.MeasureSize(file);
  files_.Close(file);
  if (measured64 < 0) {
    std::printf("ERROR: ftell failed\n");
    return false;
  }
  if (measured64 > std::numeric_limits<std::int32_t>::max()) {
    std::printf("ERROR: file too large\n");
    return false;
  }
  const auto measured = static_cast<std::int32_t>(measured64);

  std::uint8_t* block = nullptr;
  if (measured > 0) {
    block = static_cast<std::uint8_t*>(files_.Allocate(static_cast<std::size_t>(measured)));
    if (block == nullptr) {
      std::printf("ERROR: malloc failed\n");
      return false;
    }
  }

  file = files_.OpenRead(path);
  if (file == nullptr) {
    if (block != nullptr) files_.Release(block);
    std::printf("ERROR: fopen failed\n");
    return false;
  }
  std::size_t read = 0;
  if (files_.Rewind(file) && measured > 0) {
    read = files_.Read(block, static_cast<std::size_t>(measured), file);
  }
  files_.Close(file);
  const auto count = static_cast<std::int32_t>(read);

  std::printf("fsize: %d(%d)\n", measured, count);
  if (count < measured) {
    std::printf("ERROR: fread failed: request %ld, read %ld\n", static_cast<long>(measured),
                static_cast<long>(count));
    if (block != nullptr) files_.Release(block);
    return false;
  }
  bytes_ = block;
  size_ = count;
  return true;
}
