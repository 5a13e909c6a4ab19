#pragma once
// The small dialog that asks which columns of a pair file with more than two
// numeric columns become x and y, showing the file's first lines, each
// column's heading with its unit and first values, and, where the file's
// dates leave it open, whether the day or the month comes first.

#include <QDialog>

class QComboBox;

namespace wertedatei {
struct ColumnChoice;
struct PairFile;
}

namespace app {

class ColumnChoiceDialog : public QDialog {
  Q_OBJECT
 public:
  // `file` as first read; the choice starts with the columns the reader
  // found (x, y, and Δy by its heading, else "keine").
  ColumnChoiceDialog(const wertedatei::PairFile& file, const QString& fileName,
                     QWidget* parent = nullptr);
  int XColumn() const;
  int YColumn() const;
  wertedatei::ColumnChoice Choice() const;

 private:
  QComboBox* xColumn_ = nullptr;
  QComboBox* yColumn_ = nullptr;
  QComboBox* sigmaColumn_ = nullptr;  // "keine" first
  QComboBox* dateOrder_ = nullptr;    // only where the file leaves it open
};

}  // namespace app
