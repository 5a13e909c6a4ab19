// The result list: its lines with the values kept behind each, their order
// (as text, or by error on request) and the bold best line; and the showing
// of a result (its values in the table's f(x) column, its curve with the
// pairs in the plot, its statistics), for the end of a computation and for a
// chosen line (Listbox1Click).

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::Computation;
using sinusfit::PassResult;

namespace {

const QString kErrorHeading = QStringLiteral("Summe der Fehlerquadrate");
const QString kHeadingGap = QStringLiteral("         ");
const QString kFunctionHeading = QStringLiteral("Funktion");

// The list's lines as the core reads them, with the errors they show.
struct ListedLines {
  std::vector<std::string> texts;
  std::vector<double> errors;
  std::vector<sinusfit::RankedEntry> Ranked() const {
    std::vector<sinusfit::RankedEntry> ranked;
    for (std::size_t i = 0; i < texts.size(); ++i) ranked.push_back({errors[i], texts[i]});
    return ranked;
  }
};

ListedLines LinesOf(const QListWidget& list) {
  ListedLines lines;
  for (int i = 0; i < list.count(); ++i) {
    lines.texts.push_back(platform::ToLatin1(list.item(i)->text()));
    lines.errors.push_back(sinusfit::ErrorOfEntry(lines.texts.back()));
  }
  return lines;
}

std::vector<double> ErrorsOf(const QListWidget& list) { return LinesOf(list).errors; }

// The bold line: the least error, of equal ones the lowest |b|.
std::size_t BestLineOf(const QListWidget& list) {
  const ListedLines lines = LinesOf(list);
  return sinusfit::BestEntryIndex(std::span<const sinusfit::RankedEntry>(lines.Ranked()));
}

}  // namespace

void TForm1::ClearResults() {
  Listbox1->clear();
  resultRecords_.clear();
  scanHint_.clear();
  modelHint_.clear();
  ClearStatistics();
}

void TForm1::ShowListHeading(bool weighted) {
  if (!weighted) {
    Panel6->setText(kErrorHeading + kHeadingGap + kFunctionHeading);
    return;
  }
  // "Funktion" stays where it stands above the terms.
  const QFontMetrics metrics(Panel6->font());
  const int place = metrics.horizontalAdvance(kErrorHeading + kHeadingGap);
  QString heading = QStringLiteral("χ²");
  while (metrics.horizontalAdvance(heading) < place && heading.size() < 200) heading += ' ';
  Panel6->setText(heading + kFunctionHeading);
}

void TForm1::AddResultLine(const Computation& computation, const PassResult& result) {
  const QString entry = platform::FromLatin1(result.entry);
  if (!Listbox1->findItems(entry, Qt::MatchExactly).isEmpty()) return;  // listed once
  resultRecords_[result.entry] = {computation.Mode(),        result.parameters,
                                  result.error,              computation.SharedData(),
                                  computation.Precision(),   result.model,
                                  result.values,             result.origin,
                                  scanBound_,                searchedUpTo_};
  if (actionSortByError != nullptr && actionSortByError->isChecked()) {
    const ListedLines lines = LinesOf(*Listbox1);
    const std::size_t at = sinusfit::ErrorInsertPosition(
        lines.Ranked(), {sinusfit::ErrorOfEntry(result.entry), result.entry});
    Listbox1->insertItem(static_cast<int>(at), entry);
  } else {
    Listbox1->addItem(entry);  // sorted as text by the list
  }
  MarkBestLine();
}

void TForm1::MarkBestLine() {
  const std::size_t best = BestLineOf(*Listbox1);
  for (int i = 0; i < Listbox1->count(); ++i) {
    QListWidgetItem* item = Listbox1->item(i);
    QFont font = Listbox1->font();
    font.setBold(static_cast<std::size_t>(i) == best);
    if (item->font() != font) item->setFont(font);
  }
}

void TForm1::SortResultsByError(bool byError) {
  // The same lines with the same texts, only their order changes; the chosen
  // line stays chosen.
  const QListWidgetItem* current = Listbox1->currentItem();
  const QString chosen = current != nullptr ? current->text() : QString();
  if (byError) {
    Listbox1->setSortingEnabled(false);
    const ListedLines lines = LinesOf(*Listbox1);
    std::vector<sinusfit::RankedEntry> ranked = lines.Ranked();
    std::stable_sort(ranked.begin(), ranked.end(), sinusfit::ErrorOrderLess);
    std::vector<QListWidgetItem*> items;
    while (Listbox1->count() > 0) items.push_back(Listbox1->takeItem(0));
    for (const sinusfit::RankedEntry& line : ranked) {
      const QString text = platform::FromLatin1(line.entry);
      const auto found = std::find_if(items.begin(), items.end(), [&](QListWidgetItem* item) {
        return item != nullptr && item->text() == text;
      });
      Listbox1->addItem(*found);
      *found = nullptr;
    }
  } else {
    Listbox1->setSortingEnabled(true);
    Listbox1->sortItems();
  }
  if (!chosen.isNull()) {
    const QList<QListWidgetItem*> found = Listbox1->findItems(chosen, Qt::MatchExactly);
    if (!found.isEmpty()) Listbox1->setCurrentItem(found.front());
  }
  MarkBestLine();
}

void TForm1::ChooseBestLine(PassResult& result) {
  const std::size_t best = BestLineOf(*Listbox1);
  if (best >= static_cast<std::size_t>(Listbox1->count())) return;
  QListWidgetItem* item = Listbox1->item(static_cast<int>(best));
  const std::string entry = platform::ToLatin1(item->text());
  const ResultRecord* record = FindResultRecord(entry);
  if (record == nullptr) return;
  Listbox1->setCurrentItem(item);
  result.entry = entry;
  result.term = std::string(sinusfit::TermOfEntry(entry));
  result.error = record->error;
  result.parameters = record->parameters;
  result.model = record->model;
  result.values = record->values;
  result.origin = record->origin;
}

double TForm1::BestListedError() const {
  const std::vector<double> errors = ErrorsOf(*Listbox1);
  const std::size_t best = BestLineOf(*Listbox1);
  if (best >= errors.size()) return std::nan("");
  // The value behind the line, where it is kept; its text otherwise.
  const ResultRecord* record = FindResultRecord(platform::ToLatin1(Listbox1->item(static_cast<int>(best))->text()));
  return record != nullptr ? record->error : errors[best];
}

const ResultRecord* TForm1::FindResultRecord(const std::string& entry) const {
  const auto found = resultRecords_.find(entry);
  return found == resultRecords_.end() ? nullptr : &found->second;
}

void TForm1::ShowComputedResult(const PassResult& result, const TablePairs& pairs,
                                std::uint32_t revision) {
  if (SG4->CurrentRevision() == revision) {
    ShowResult(result.term, result.entry, pairs);
    return;
  }
  // Cells were typed while it ran: f(x) only where a row still holds the
  // pair it was computed from, the plot over the pairs the table holds now.
  std::vector<int> kept = SG4->RowsUnchangedSince(pairs.rows, revision);
  std::sort(kept.begin(), kept.end());
  const TablePairs now = ReadPairs(*SG4);
  std::vector<int> stale;
  for (int row : now.rows)
    if (!std::binary_search(kept.begin(), kept.end(), row)) stale.push_back(row);
  for (int row : pairs.rows)
    if (!std::binary_search(kept.begin(), kept.end(), row)) stale.push_back(row);
  SG4->ClearFittedValues(stale);
  ShowResult(result.term, result.entry, now, &kept);
}

void TForm1::ShowResult(std::string_view term, const std::string& entry, const TablePairs& pairs,
                        const std::vector<int>* fittedRows) {
  const ResultRecord* record = FindResultRecord(entry);
  const sinusfit::TextPrecision precision =
      record != nullptr ? record->precision : sinusfit::TextPrecision{};
  std::vector<int> rows;
  std::vector<double> x;
  if (fittedRows == nullptr) {
    rows = pairs.rows;
    x = pairs.x;
  } else {
    for (std::size_t i = 0; i < pairs.rows.size(); ++i) {
      if (!std::binary_search(fittedRows->begin(), fittedRows->end(), pairs.rows[i])) continue;
      rows.push_back(pairs.rows[i]);
      x.push_back(pairs.x[i]);
    }
  }
  fittedTerm_ = std::string(term);
  fittedPrecision_ = precision;
  fittedVersion_ = pairsVersion_;  // the x below are the table's as it stands
  // Formatted as the cells are shown or read; an open cell editor stays.
  SG4->WriteFittedValues(std::move(rows), std::move(x),
                         [term = std::string(term), precision](double at) {
                           return sinusfit::FittedValueText(term, at, precision);
                         });
  ShowCurveWithPairs(term, pairs, precision);
  ShowStatistics(entry, pairs);
}

void TForm1::Listbox1Click() {
  const QListWidgetItem* chosen = Listbox1->currentItem();
  if (chosen == nullptr || !chosen->isSelected() || PlotList() == nullptr) return;
  const std::string entry = platform::ToLatin1(chosen->text());
  // The pairs as the table holds them now, not as the fit saw them.
  ShowResult(sinusfit::TermOfEntry(entry), entry, ReadPairs(*SG4));
}

}  // namespace app
