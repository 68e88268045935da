#include "cli/batch_file_ops.h"

bool BatchFileOps::Hold(std::FILE* file) {
  const FileStamp stamp = Stamp(file);
  if (stamp.size >= 0 && stamp.size <= kReadUpTo) return false;
  return FileOps::Hold(file);
}
