#include "job/run_batch.h"

#include "engine/read_ahead.h"
#include "job/status_line.h"

bool RunBatch(const std::vector<std::string>& models,
              const std::function<ExtractResult(const std::string& model)>& job,
              const std::function<void(const std::string& line)>& show) {
  bool completed = true;
  ReadAhead ahead(models);
  for (std::size_t i = 0; i < models.size(); ++i) {
    const std::string& model = models[i];
    ahead.Starting(i);
    const ExtractResult result = job(model);
    show(StatusLine(model, result));
    completed = completed && result == ExtractResult::Completed;
  }
  return completed;
}
