#include "scanner/link_discards.h"

namespace {
void appendCount(std::string& line, long count, const char* one, const char* many) {
  if (count == 0) return;
  line += line.empty() ? " " : ", ";
  line += std::to_string(count);
  line += count == 1 ? one : many;
}
}  // namespace

std::optional<std::string> DiscardReport::due(const LinkDiscards& totals, int64_t nowMs) {
  const LinkDiscards fresh{totals.garbageBytes - told_.garbageBytes, totals.badCrc - told_.badCrc,
                           totals.shortTelegrams - told_.shortTelegrams};
  if (!fresh.any() || (toldOnce_ && nowMs - lastLineMs_ < kMinIntervalMs)) return std::nullopt;
  std::string counts;
  appendCount(counts, fresh.garbageBytes, " byte de basura", " bytes de basura");
  appendCount(counts, fresh.badCrc, " telegrama con CRC erroneo", " telegramas con CRC erroneo");
  appendCount(counts, fresh.shortTelegrams, " telegrama corto o mal formado",
              " telegramas cortos o mal formados");
  told_ = totals;
  toldOnce_ = true;
  lastLineMs_ = nowMs;
  return "descartados" + counts;
}
