#pragma once
// The main window: on the left the value table with the controls of the fit,
// on the right the plot area above the result list.
//
// The controls are public members named, like their Qt object names, by
// their short names, so that the handlers of the fit and of the result list
// reach them as SG4, Listbox1, Edit5 and so on.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "_grund/grund.h"
#include "app/normalsystem.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace platform {
class Canvas;
}

namespace app {

class PlotBox;
class ResultListBox;
class SineFit;
class ValueTable;

// 1 while no fit runs, 0 while one runs (a second click on Button1 during a
// fit sets it back to 1 to stop it). Process-wide; 1 at program start and
// whenever the window is shown.
extern std::uint8_t CalcIdle;

// What the window keeps of each line of the result list beside its text: the
// computation's mode and the pass's parameters in full precision (the line's
// term rounds them to 6 decimals).
struct ResultRecord {
  FitMode mode = FitMode::kAllFree;
  ModelParameters parameters;
  double error = 0;
};

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The plot list the plot area draws; created with the window, released
  // when it closes (nullptr then).
  grund::PlotList* PlotList() const { return plotList_.get(); }

  // The record of a result line (its exact text, Latin-1), or nullptr for a
  // text the last computation did not list.
  const ResultRecord* FindResultRecord(const std::string& entry) const;

  // The left column.
  QLabel* Label6 = nullptr;        // "Wertepaare"
  QToolButton* S11 = nullptr;      // "B": loads the example pairs
  QToolButton* S1 = nullptr;       // "x": empties the table
  ValueTable* SG4 = nullptr;       // the value pairs and the fitted values
  QLabel* Label1 = nullptr;        // "Anzahl Paare"
  QLabel* Label2 = nullptr;        // the number of pairs
  QPushButton* Button1 = nullptr;  // "Berechnung" / "Abbruch"
  QLabel* Label4 = nullptr;        // "Zielfunktion"
  QLabel* Label5 = nullptr;        // the model
  QRadioButton* rt1 = nullptr;     // all parameters free
  QRadioButton* rt2 = nullptr;     // a fixed, value in Edit1
  QRadioButton* rt3 = nullptr;     // b fixed, value in Edit2
  QRadioButton* rt4 = nullptr;     // c fixed, value in Edit3
  QRadioButton* rt5 = nullptr;     // d fixed, value in Edit4
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLabel* Label3 = nullptr;    // caption of the bound on |b|
  QLineEdit* Edit5 = nullptr;  // the bound on |b|
  // "Frequenzsuche": a frequency scan pass before the random ones.
  QCheckBox* CheckFrequenzsuche = nullptr;
  // The right side.
  PlotBox* PB4 = nullptr;             // the plot area
  QLabel* Panel6 = nullptr;           // heading of the result list
  ResultListBox* Listbox1 = nullptr;  // the result list

 public slots:
  void FormCreate();     // the window is created: an empty plot list
  void FormShow();       // the window is shown: idle, heading row, empty plot
  void FormClose();      // the window closes: the plot list is released
  void S1X();            // "x": empties the pairs and fitted values
  void S11C();           // "B": the nine example pairs
  void D18C();           // Button1: starts or stops the fit
  void Listbox1Click();  // a result line is chosen
  // Paints the plot area. Qt lets a widget be painted only inside its paint
  // event, so PB4's paint event calls this handler, and a call from anywhere
  // else (the fit, the result list) asks PB4 for an immediate repaint, which
  // comes back here before the call returns.
  void PB4Paint();

 public:
  // Draws the whole plot (frame, then the plot list) onto a canvas the size
  // of PB4 that starts out white.
  void PaintPlot(platform::Canvas& canvas);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLeftColumn(QWidget* panel);
  void BuildRightSide();
  void SetKeyboardOrder();
  void CentreOnScreen();
  // The fit (fitdriver.cpp).
  int CheckedFitMode() const;
  double FixedValue(int fitMode) const;
  void EndComputation();
  // The frequency scan (tform1_frequencyscan.cpp).
  void BuildFrequencyScanOption(QWidget* panel);
  bool FrequencyScanWanted(FitMode mode) const;
  void RunFrequencyScanPass(const SineFit& fit, const std::function<double()>& readBound);

  std::unique_ptr<grund::PlotList> plotList_;
  std::map<std::string, ResultRecord> resultRecords_;  // by entry text
  bool closed_ = false;  // closed and not shown again since
};

}  // namespace app

using app::TForm1;
