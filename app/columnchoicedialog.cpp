#include "app/columnchoicedialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qtlatin1.h"
#include "wertedatei/wertedatei.h"

namespace app {

namespace {

// Enough columns to pick from without letting a broken count build a huge list.
constexpr int kMaxOfferedColumns = 100;

}  // namespace

ColumnChoiceDialog::ColumnChoiceDialog(const wertedatei::PairFile& file, const QString& fileName,
                                       QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Spalten wählen"));
  auto* layout = new QVBoxLayout(this);
  const int columns = std::clamp(file.columnCount, 2, kMaxOfferedColumns);
  // Only the columns that hold numbers count (a time stamp "12:00:01" not).
  const int numeric = std::clamp(file.numericColumns, 2, columns);
  auto* intro = new QLabel(QStringLiteral("Die Datei „%1“ hat %2 Spalten mit Zahlen. "
                                          "Welche sollen x und y werden, welche Δy?")
                               .arg(fileName)
                               .arg(numeric),
                           this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* preview = new QPlainTextEdit(this);
  preview->setObjectName(QStringLiteral("Vorschau"));
  preview->setReadOnly(true);
  preview->setLineWrapMode(QPlainTextEdit::NoWrap);
  preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QStringList lines;
  for (const std::string& line : file.previewLines) lines << platform::FromLatin1(line);
  preview->setPlainText(lines.join(QLatin1Char('\n')));
  preview->setMinimumSize(460, 160);
  layout->addWidget(preview);

  auto* form = new QFormLayout;
  xColumn_ = new QComboBox(this);
  yColumn_ = new QComboBox(this);
  sigmaColumn_ = new QComboBox(this);
  sigmaColumn_->addItem(QStringLiteral("keine"));
  for (int i = 0; i < columns; ++i) {
    QString caption = QStringLiteral("Spalte %1").arg(i + 1);
    if (static_cast<std::size_t>(i) < file.headings.size() && !file.headings[i].empty())
      caption += QStringLiteral(": ") + platform::FromLatin1(file.headings[i]);
    xColumn_->addItem(caption);
    yColumn_->addItem(caption);
    sigmaColumn_->addItem(caption);
  }
  const auto offered = [columns](int column, int otherwise) {
    return column >= 0 && column < columns ? column : otherwise;
  };
  xColumn_->setCurrentIndex(offered(file.detected.x, 0));
  yColumn_->setCurrentIndex(offered(file.detected.y, 1));
  sigmaColumn_->setCurrentIndex(offered(file.detected.sigmaY, -1) + 1);
  form->addRow(QStringLiteral("x-Werte aus:"), xColumn_);
  form->addRow(QStringLiteral("y-Werte aus:"), yColumn_);
  form->addRow(QStringLiteral("Δy aus:"), sigmaColumn_);
  layout->addLayout(form);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Öffnen"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

int ColumnChoiceDialog::XColumn() const { return xColumn_->currentIndex(); }
int ColumnChoiceDialog::YColumn() const { return yColumn_->currentIndex(); }

wertedatei::ColumnChoice ColumnChoiceDialog::Choice() const {
  return {XColumn(), YColumn(), sigmaColumn_->currentIndex() - 1};
}

}  // namespace app
