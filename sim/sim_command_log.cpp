#include "sim/sim_command_log.h"

bool SimCommandLog::open(const std::string& path) {
  if (path.empty()) return true;
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  file_.reset(f);
  return true;
}

void SimCommandLog::add(const SimCommandRecord& r) {
  std::lock_guard<std::mutex> guard(mutex_);
  // Bounded, so a flood from a faulty client cannot eat the memory.
  if (records_.size() < 200000) records_.push_back(r);
  if (file_) {
    std::fprintf(file_.get(), "%lld.%03lld %c %u %s", static_cast<long long>(r.timeMs / 1000),
                 static_cast<long long>(r.timeMs % 1000), r.link, r.command, r.name.c_str());
    if (r.hasInt) std::fprintf(file_.get(), " %d", r.value);
    if (!r.text.empty()) std::fprintf(file_.get(), " \"%s\"", r.text.c_str());
    std::fputc('\n', file_.get());
    std::fflush(file_.get());
  }
}

std::vector<SimCommandRecord> SimCommandLog::snapshot() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return records_;
}

void SimCommandLog::clear() {
  std::lock_guard<std::mutex> guard(mutex_);
  records_.clear();
}
