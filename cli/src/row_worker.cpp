#include "row_worker.h"

#include "text_forms.h"

namespace vornctl {

std::vector<std::string> row_worker_words(const RowWork& work) {
  return {kRowWorkerWord,
          work.mac,
          work.address,
          std::to_string(work.host_bits),
          work.force ? "force" : "-",
          work.label,
          work.timeout,
          work.interface,
          work.trace ? "trace" : "-"};
}

std::optional<RowWork> read_row_worker_words(const std::vector<std::string>& words) {
  if (words.size() != 9 || words[0] != kRowWorkerWord) return std::nullopt;
  const auto bits = parse_number(words[3], 0, 32);
  if (!bits) return std::nullopt;
  return RowWork{words[1], words[2], static_cast<int>(*bits), words[4] == "force", words[5],
                 words[6], words[7], words[8] == "trace"};
}

}  // namespace vornctl
