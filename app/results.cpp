// The result list: its lines with the values kept behind each, and the
// showing of a result (its values in the table's f(x) column, its curve with
// the pairs in the plot, its statistics), for the end of a computation and
// for a chosen line (Listbox1Click).

#include <QListWidget>
#include <string>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::FitMode;
using sinusfit::PassResult;

void TForm1::ClearResults() {
  Listbox1->clear();
  resultRecords_.clear();
  ClearStatistics();
}

void TForm1::AddResultLine(FitMode mode, const PassResult& result) {
  const QString entry = platform::FromLatin1(result.entry);
  if (!Listbox1->findItems(entry, Qt::MatchExactly).isEmpty()) return;  // listed once
  Listbox1->addItem(entry);
  resultRecords_[result.entry] = {mode, result.parameters, result.error};
}

const ResultRecord* TForm1::FindResultRecord(const std::string& entry) const {
  const auto found = resultRecords_.find(entry);
  return found == resultRecords_.end() ? nullptr : &found->second;
}

void TForm1::ShowResult(std::string_view term, const std::string& entry, const TablePairs& pairs) {
  // Formatted as the cells are shown or read; an open cell editor stays.
  SG4->WriteFittedValues(pairs.rows, pairs.x, [term = std::string(term)](double x) {
    return sinusfit::FittedValueText(term, x);
  });
  // A closed window has released its list.
  if (grund::PlotList* list = PlotList()) {
    sinusfit::BeginResultPlotList(*list, term);
    for (std::size_t i = 0; i < pairs.x.size(); ++i)
      sinusfit::AddPlotPair(*list, pairs.x[i], pairs.y[i]);
    sinusfit::EndResultPlotList(*list);
  }
  PB4Paint();
  ShowStatistics(entry, pairs.x, pairs.y);
}

void TForm1::Listbox1Click() {
  const QListWidgetItem* chosen = Listbox1->currentItem();
  if (chosen == nullptr || !chosen->isSelected() || PlotList() == nullptr) return;
  const std::string entry = platform::ToLatin1(chosen->text());
  // The pairs as the table holds them now, not as the fit saw them.
  ShowResult(sinusfit::TermOfEntry(entry), entry, ReadPairs(*SG4));
}

}  // namespace app
