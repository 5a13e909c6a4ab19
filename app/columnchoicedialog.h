#pragma once
// The small dialog that asks which columns of a pair file with more than two
// numeric columns become x and y, showing the file's first lines.

#include <QDialog>

class QComboBox;

namespace wertedatei {
struct PairFile;
}

namespace app {

class ColumnChoiceDialog : public QDialog {
  Q_OBJECT
 public:
  // `file` as read with the first two columns; the choice starts there.
  ColumnChoiceDialog(const wertedatei::PairFile& file, const QString& fileName,
                     QWidget* parent = nullptr);
  int XColumn() const;
  int YColumn() const;

 private:
  QComboBox* xColumn_ = nullptr;
  QComboBox* yColumn_ = nullptr;
};

}  // namespace app
