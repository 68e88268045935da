// Which files of a batch must not run at the same time.
//
// A job reads its model and writes its report. Two jobs that touch the same
// file, one of them writing it (the same model named twice; two models whose
// reports collide under --save-beside-extractor; a model that is another's
// report), must run one after the other, in argument order, so that the
// result is what a one-file-at-a-time run leaves.
#ifndef QUORVEL_JOB_JOB_ORDER_H_
#define QUORVEL_JOB_JOB_ORDER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// For every model, the earlier models (indices, ascending, at most two) that
// must be finished before it may start. Two paths are taken for one file when
// they name the same existing file (through links too), or when their last
// components are equal ignoring ASCII case and their folders are the same
// folder (or spelled alike): that also catches a report that does not exist
// yet, and errs towards waiting on file systems that ignore case. Report paths
// follow the report path rule, ReportPath(model, saveBesideExtractor). Asks
// the file system about each path once; never throws but for std::bad_alloc.
std::vector<std::vector<std::size_t>> JobPredecessors(const std::vector<std::string>& models,
                                                      std::int32_t saveBesideExtractor);

#endif  // QUORVEL_JOB_JOB_ORDER_H_
