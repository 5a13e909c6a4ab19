#include "wertedatei/wertedatei.h"

namespace wertedatei {

PairFile ReadPairFile(std::string_view bytes) { return ReadPairFile(bytes, ColumnChoice{}); }

PairFile ReadPairFile(std::string_view, ColumnChoice) {
  PairFile file;
  file.message = "Die Datei enthält keine Wertepaare.";
  return file;
}

std::string WritePairFile(const std::vector<std::string>&, const std::vector<std::string>&,
                          char) {
  return {};
}

}  // namespace wertedatei
