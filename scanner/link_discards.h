#pragma once
// What a scanner link threw away, and the console line that tells it: the
// first discard at once, then at most one line a minute with what was thrown
// away since the last line, so a noisy line cannot flood the console.
#include <cstdint>
#include <optional>
#include <string>

struct LinkDiscards {
  long garbageBytes = 0;    // bytes outside any telegram
  long badCrc = 0;          // telegrams whose check failed
  long shortTelegrams = 0;  // telegrams too short or malformed for what they announce
  bool any() const { return garbageBytes != 0 || badCrc != 0 || shortTelegrams != 0; }
};

class DiscardReport {
 public:
  static constexpr int64_t kMinIntervalMs = 60 * 1000;

  // The line to print now, if one is due, for the running totals.
  std::optional<std::string> due(const LinkDiscards& totals, int64_t nowMs);

 private:
  LinkDiscards told_;
  bool toldOnce_ = false;
  int64_t lastLineMs_ = 0;
};
