// The file and memory operations the extraction job performs, behind one
// narrow seam so that tests can make any of them fail. The default object
// performs the real operations through the C runtime.
#ifndef QUORVEL_ENGINE_FILE_OPS_H_
#define QUORVEL_ENGINE_FILE_OPS_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>

class FileOps {
 public:
  virtual ~FileOps() = default;

  // Opens an existing regular file for binary reading ("rb"). Returns nullptr
  // when the path cannot be opened or names anything but a regular file
  // (directory, FIFO, device); never blocks on such a file.
  virtual std::FILE* OpenRead(const char* path);
  // Seeks to the end and returns the position: the file's size, or a
  // negative value when the size cannot be measured.
  virtual std::int64_t MeasureSize(std::FILE* file);
  // Seeks to the start; true on success.
  virtual bool Rewind(std::FILE* file);
  virtual std::size_t Read(void* buffer, std::size_t count, std::FILE* file);
  // Closes a file opened by OpenRead or OpenWrite; 0 on success.
  virtual int Close(std::FILE* file);

  virtual void* Allocate(std::size_t bytes);
  virtual void Release(void* block);

  // Creates or truncates `path` for writing in text mode ("w").
  virtual std::FILE* OpenWrite(const char* path);
  // Writes all of `bytes`; returns the count written.
  virtual std::size_t Write(const void* bytes, std::size_t count, std::FILE* file);
  virtual int Flush(std::FILE* file);
  virtual int Remove(const char* path);
  // True when both paths exist and name the same file (through links too).
  virtual bool SameFile(const char* a, const char* b);

  // The real operations.
  static FileOps& Default();
};

#endif  // QUORVEL_ENGINE_FILE_OPS_H_
