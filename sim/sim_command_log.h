#pragma once
// What the simulator received: every command with its time and argument, kept
// in memory for tests and, when a file is given, written as one line each.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct SimCommandRecord {
  int64_t timeMs = 0;  // since the simulator started
  char link = 't';     // 't' TCP, 's' serial line
  uint8_t command = 0;
  std::string name;
  bool hasInt = false;
  int value = 0;
  std::string text;  // string arguments
};

class SimCommandLog {
 public:
  // Empty path: memory only. False when the file cannot be created.
  bool open(const std::string& path);
  void add(const SimCommandRecord& record);
  std::vector<SimCommandRecord> snapshot() const;
  void clear();

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  mutable std::mutex mutex_;
  std::vector<SimCommandRecord> records_;
  std::unique_ptr<std::FILE, FileCloser> file_;
};
