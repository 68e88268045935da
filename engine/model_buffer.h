// A model file read whole into one heap block.
#ifndef QUORVEL_ENGINE_MODEL_BUFFER_H_
#define QUORVEL_ENGINE_MODEL_BUFFER_H_

#include <cstdint>

#include "engine/file_ops.h"

class ModelBuffer {
 public:
  explicit ModelBuffer(FileOps& files) : files_(files) {}
  ~ModelBuffer();
  ModelBuffer(const ModelBuffer&) = delete;
  ModelBuffer& operator=(const ModelBuffer&) = delete;

  // Reads the file at `path` whole, logging each event on standard output.
  // Returns false (with its log line written and nothing held) when the file
  // cannot be opened, measured, allocated or read in full.
  bool Load(const char* path);

  // Frees the block; the buffer is then empty.
  void Release();

  const std::uint8_t* bytes() const { return bytes_; }
  std::int32_t size() const { return size_; }

 private:
  FileOps& files_;
  std::uint8_t* bytes_ = nullptr;  // absent when the measured size is 0
  std::int32_t size_ = 0;          // count of bytes actually read
};

#endif  // QUORVEL_ENGINE_MODEL_BUFFER_H_
