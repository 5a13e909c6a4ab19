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

ColumnChoiceDialog::ColumnChoiceDialog(const wertedatei::PairFile& file, const QString& fileName,
                                       QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Spalten wählen"));
  auto* layout = new QVBoxLayout(this);
  const int columns = std::clamp(file.columnCount, 2, wertedatei::kMaxOfferedColumns);
  // Only the columns that hold numbers count (a time stamp "12:00:01" not).
  const int numeric = std::clamp(file.numericColumns, 2, columns);
  const QString kinds = file.xIsTime ? QStringLiteral("Zahlen oder Zeiten") : QStringLiteral("Zahlen");
  auto* intro = new QLabel(QStringLiteral("Die Datei „%1“ hat %2 Spalten mit %3. "
                                          "Welche sollen x und y werden, welche Δy?")
                               .arg(fileName)
                               .arg(numeric)
                               .arg(kinds),
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
    const auto k = static_cast<std::size_t>(i);
    QString caption = QStringLiteral("Spalte %1").arg(i + 1);
    const std::string& title = k < file.summaries.size() && !file.summaries[k].title.empty()
                                   ? file.summaries[k].title
                                   : k < file.headings.size() ? file.headings[k] : std::string();
    if (!title.empty()) caption += QStringLiteral(": ") + platform::FromLatin1(title);
    if (k < file.summaries.size() && !file.summaries[k].examples.empty()) {
      QStringList examples;
      for (const std::string& example : file.summaries[k].examples)
        examples << platform::FromLatin1(example);
      caption += QStringLiteral(" (%1 …)").arg(examples.join(QStringLiteral("; ")));
    }
    xColumn_->addItem(caption);
    yColumn_->addItem(caption);
    sigmaColumn_->addItem(caption);
  }
  const wertedatei::ColumnChoice offered = wertedatei::OfferedColumns(file);
  xColumn_->setCurrentIndex(offered.x);
  yColumn_->setCurrentIndex(offered.y);
  sigmaColumn_->setCurrentIndex(offered.sigmaY + 1);
  form->addRow(QStringLiteral("x-Werte aus:"), xColumn_);
  form->addRow(QStringLiteral("y-Werte aus:"), yColumn_);
  form->addRow(QStringLiteral("Δy aus:"), sigmaColumn_);
  if (file.dateOrderOpen) {
    dateOrder_ = new QComboBox(this);
    dateOrder_->addItem(QStringLiteral("Monat/Tag/Jahr (12/09/26 = 9. Dezember)"));
    dateOrder_->addItem(QStringLiteral("Tag/Monat/Jahr (12/09/26 = 12. September)"));
    dateOrder_->setCurrentIndex(offered.order == wertedatei::DateOrder::kDayFirst ? 1 : 0);
    form->addRow(QStringLiteral("Datumsangaben:"), dateOrder_);
  }
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
  wertedatei::ColumnChoice choice{XColumn(), YColumn(), sigmaColumn_->currentIndex() - 1};
  if (dateOrder_ != nullptr)
    choice.order = dateOrder_->currentIndex() == 0 ? wertedatei::DateOrder::kMonthFirst
                                                   : wertedatei::DateOrder::kDayFirst;
  return choice;
}

}  // namespace app
