#pragma once
// The main window: on the left the value table with the controls of the fit,
// on the right the plot area above the result list.
//
// The controls are public members named, like their Qt object names, by
// their short names, so that the handlers of the fit and of the result list
// reach them as SG4, Listbox1, Edit5 and so on.
//
// The class is defined in one file per task: tform1.cpp (layout and
// controls), computation.cpp (Button1 and the passes), results.cpp (the
// result list), view.cpp (painting the plot and its view), statistics.cpp,
// menus.cpp (actions and context menus), pairfiles.cpp (open, save, drop),
// export.cpp (picture and results), fileaccess.cpp (dialogs, messages),
// session.cpp (session files) and recovery.cpp (autosave and recovery).

#include <QDateTime>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "_grund/grund.h"
#include "graph_reduziert/graph_reduziert.h"
#include "sinusfit/sinusfit.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QImage;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QShortcut;
class QSpinBox;
class QToolButton;

namespace wertedatei {
struct Session;
}
namespace app {
class AutoSaver;
struct SessionCapture;
}

namespace platform {
class Canvas;
}
namespace wertedatei {
struct ColumnChoice;
struct PairFile;
struct ReadOptions;
}  // namespace wertedatei

namespace app {

class PlotBox;
class ResultListBox;
class ValueTable;
struct TablePairs;
struct TableColumns;

// 1 while no fit runs, 0 while one runs (a second click on Button1 during a
// fit sets it back to 1 to stop it). Process-wide; 1 at program start and
// whenever the window is shown.
extern std::uint8_t CalcIdle;

// What the window keeps of each line of the result list beside its text: the
// computation's mode and the pass's parameters in full precision (the line's
// term rounds them to 6 decimals).
struct ResultRecord {
  sinusfit::FitMode mode = sinusfit::FitMode::kAllFree;
  sinusfit::ModelParameters parameters;
  double error = 0;
  // The pairs the line was computed from, and the decimals of its texts.
  std::shared_ptr<const sinusfit::FitData> data;
  sinusfit::TextPrecision precision;
  // Another model than the sine: which, and its parameters as the term
  // writes them about `origin`.
  sinusfit::ModelKind model = sinusfit::ModelKind::kSine;
  std::vector<double> values;
  sinusfit::ModelOrigin origin;
  // The bound on |b| of the frequency scan the computation ran; 0 without one.
  double scanBound = 0;
  // The highest b a sum's search looked at (its FAPs' range).
  double searchedUpTo = 0;
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

  // Files (pairfiles.cpp, export.cpp). Each works without a file dialog,
  // reports a problem in a German message box and then returns false.
  // Reads pairs into rows 1 .. n and empties the rest of the table; a file
  // that yields no pair leaves the table as it was.
  bool OpenPairFile(const QString& path);
  // Writes the table's pairs, ";"-separated (tab-separated for *.tsv, *.txt).
  bool SavePairFile(const QString& path);
  bool SavePairFile(const QString& path, char separator);
  // The plot at PB4's size as PNG, SVG or PDF, by the name's suffix.
  bool ExportPlot(const QString& path);
  // The result list as CSV: the error sum and a, b, c, d in full precision.
  bool SaveResults(const QString& path);
  // Messages go to LastMessage() instead of a modal box while collected
  // (for tests and scripted use).
  void CollectMessages(bool collect) { collectMessages_ = collect; }
  const QString& LastMessage() const { return lastMessage_; }
  int MessagesShown() const { return messagesShown_; }
  // Asks which columns of a file with more than two become x and y; false
  // cancels the opening. Replaces the dialog (for tests).
  using ColumnChooser = std::function<bool(const wertedatei::PairFile&, wertedatei::ColumnChoice&)>;
  void SetColumnChooser(ColumnChooser chooser) { columnChooser_ = std::move(chooser); }
  // The titles of x and y that came with the pairs from a file (its
  // headings and units, "t in h ab 02.11.2026 00:00" for a time column) or
  // that the user typed; empty for "x" and "y".
  struct AxisTitles {
    QString x, y;
    friend bool operator==(const AxisTitles&, const AxisTitles&) = default;
  };
  const AxisTitles& Titles() const { return axisTitles_; }
  // New titles as a step of the undo history ("Achsen beschriften…").
  void SetTitles(const AxisTitles& titles);
  void EditAxisTitles();
  // "Bericht speichern…": one A4 page as PDF with the picture, the
  // residuals, the parameters and the goodness of the shown fit.
  bool SaveReport(const QString& path);
  // The plot as PNG at `pngWidth` pixels across (0: PB4's size); SVG and
  // PDF ignore it.
  bool ExportPlot(const QString& path, int pngWidth);
  // The answer to "Änderungen an den Wertepaaren speichern?" when the window
  // closes over unsaved pairs. Replaces the question (for tests).
  enum class CloseAnswer { kSave, kDiscard, kCancel };
  void SetCloseQuestion(std::function<CloseAnswer()> asker) { closeAsker_ = std::move(asker); }
  // Told the share of a pair file read so far while it is read; false stops
  // the reading and the table stays as it was. Replaces the progress dialog
  // with "Abbrechen" that long readings show (for tests).
  using ReadWatcher = std::function<bool(double share)>;
  void SetReadWatcher(ReadWatcher watcher) { readWatcher_ = std::move(watcher); }

  // Sessions (session.cpp): the table, the settings, the result list, the
  // view and the generator in one ".kalvento" file, so that the window opens
  // as it was saved and its next computation gives what it would have given.
  bool SaveSession(const QString& path);
  bool OpenSession(const QString& path);
  // A session by its suffix ".kalvento", a pair file otherwise (the command
  // line, a dropped file).
  bool OpenFile(const QString& path);
  wertedatei::Session CaptureSession() const;
  // The same in two steps: the quick copy on the window's thread, then
  // SessionCapture::Finish anywhere (autosave's worker).
  SessionCapture StartCapture() const;

  // Autosave (recovery.cpp): from now on the session is written to a
  // recovery file in `folder` a few seconds after every change and before
  // each computation; closing the window removes it. The program starts
  // it; windows made for tests have none unless they ask.
  void StartAutosave(const QString& folder);
  // At program start: each recovery file in `folder` whose window is gone
  // is offered; the first recovered goes into this window (unless
  // keepThisWindow), further ones into new windows. Returns how many were
  // recovered.
  int OfferRecovery(const QString& folder, bool keepThisWindow = false);
  enum class RecoveryAnswer { kRecover, kDiscard };
  // Replaces the question "… wiederherstellen?" (for tests).
  void SetRecoveryQuestion(std::function<RecoveryAnswer(const QDateTime&)> asker) {
    recoveryAsker_ = std::move(asker);
  }
  // The longest time autosave held the window's thread (for measurements).
  qint64 LongestAutosavePauseNs() const;

  QAction* actionSaveSession = nullptr;  // "Sitzung speichern…", Ctrl+Alt+S
  QAction* actionOpenSession = nullptr;  // "Sitzung öffnen…", Ctrl+Alt+O
  QAction* actionOpenPairs = nullptr;    // "Öffnen…", Ctrl+O
  QAction* actionSavePairs = nullptr;    // "Speichern", Ctrl+S: to the last file where it may
  QAction* actionSavePairsAs = nullptr;  // "Speichern unter…", Ctrl+Shift+S
  QAction* actionExportPlot = nullptr;   // "Bild speichern…"
  QAction* actionCopyPlot = nullptr;     // "Bild kopieren"
  QAction* actionCopyResults = nullptr;  // "Kopieren" in the result list
  QAction* actionSaveResults = nullptr;  // "Ergebnisse speichern…"
  QToolButton* ButtonOpenPairs = nullptr;
  QToolButton* ButtonSavePairs = nullptr;

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
  // The model fitted ("Zielfunktion"), beside its heading; 0 the sine.
  QComboBox* ComboZielfunktion = nullptr;
  // The count of sines of the sums (0: "automatisch"); shown with them only.
  QSpinBox* SpinFrequenzen = nullptr;
  // The right side.
  PlotBox* PB4 = nullptr;             // the plot area
  QLabel* Panel6 = nullptr;           // heading of the result list
  ResultListBox* Listbox1 = nullptr;  // the result list
  // Beyond the fit's own controls: the statistics of the shown result below
  // the fit settings, and the plot's switch for residual lines.
  QLabel* LabelStatistik = nullptr;
  QAction* actionShowResiduals = nullptr;
  // The result list's order by error, off at start; the table's Δy column
  // and its fill; undo and redo of the table's changes.
  QAction* actionSortByError = nullptr;
  QAction* actionUncertainties = nullptr;
  QAction* actionFillSigma = nullptr;
  QAction* actionUndo = nullptr;
  QAction* actionRedo = nullptr;
  // The plot's titles, the fit written into it, and the report.
  QAction* actionAxisTitles = nullptr;    // "Achsen beschriften…"
  QAction* actionResultInPlot = nullptr;  // "Ergebnis im Bild", checkable
  QAction* actionSaveReport = nullptr;    // "Bericht speichern…"
  QAction* actionPeriodogram = nullptr;   // "Periodogramm", checkable
  // Asks for the axis titles; nullopt cancels. Replaces the dialog (for tests).
  void SetTitlesAsker(std::function<std::optional<AxisTitles>(const AxisTitles&)> asker) {
    titlesAsker_ = std::move(asker);
  }
  // Asks for the PNG's width in pixels (0: the window's size); nullopt
  // cancels. Replaces the dialog (for tests).
  void SetPngSizeAsker(std::function<std::optional<int>()> asker) {
    pngSizeAsker_ = std::move(asker);
  }
  // Asks for the text of "Δy für alle Zeilen…"; nothing cancels. Replaces
  // the dialog (for tests).
  using SigmaFillAsker = std::function<std::optional<QString>()>;
  void SetSigmaFillAsker(SigmaFillAsker asker) { sigmaFillAsker_ = std::move(asker); }

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
  // The file actions with their dialogs (pairfiles.cpp, export.cpp).
  void OpenPairFileDialog();
  void SavePairFileDialog();
  // Ctrl+S: to the file last opened or saved, unless it held further
  // columns; otherwise as "Speichern unter…".
  void SavePairs();
  void ExportPlotDialog();
  void CopyPlot();
  void CopyResults();
  void SaveResultsDialog();
  void FillSigmaDialog();
  void SaveSessionDialog();
  void OpenSessionDialog();
  // Keeps the result list in the numeric order of its errors, or (off) in
  // the order of its texts again.
  void SortResultsByError(bool byError);

 public:
  // Draws the whole plot (frame, then the plot list) onto a canvas the size
  // of PB4 that starts out white, in the current view.
  void PaintPlot(platform::Canvas& canvas);

  // The view (view.cpp). Until the user changes it, the plot shows x
  // from -8 to 8 at one scale on both axes; the user's view is kept across
  // computations and result choices until the default view is asked for.
  bool HasUserView() const { return userView_.has_value(); }
  // The bounds shown now (those of the default view when there is no user view).
  graph_reduziert::PlotView CurrentView() const;
  void FitViewToData();    // "An Daten anpassen", double click
  void ShowDefaultView();  // "Standardansicht"
  // Zooms about a point of PB4 by wheel notches (upwards zooms in).
  void ZoomViewAt(QPointF position, double notches);
  // The data area of the view shown, in PB4's pixels: the whole of PB4 in
  // the default view, the framed area in a user view.
  QRect ViewArea() const;
  // The view "An Daten anpassen" gives the pairs and curves; nullopt
  // without a usable pair.
  std::optional<graph_reduziert::PlotView> FittedView() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Layout (tform1.cpp).
  void BuildLeftColumn(QWidget* panel);
  void BuildFrequencyScanOption(QWidget* panel);
  void BuildFileButtons(QWidget* panel);
  void BuildRightSide();
  void SetKeyboardOrder();
  void ConnectKeys();
  void CentreOnScreen();

  // Actions and context menus (menus.cpp).
  void CreateActions();
  void CreateViewActions();
  void CreateFileActions();
  void CreateExportActions();
  void CreateResidualsAction();
  void CreateTableEditActions();
  void CreateResultOrderAction();
  void CreatePictureActions();
  void CreatePeriodogramAction();
  // The periodogram in the plot area (periodogramview.cpp).
  bool PeriodogramShown() const;
  void ShowPeriodogram(bool shown);
  struct ShownSpectra {
    sinusfit::PowerSpectrum data;
    std::optional<sinusfit::PowerSpectrum> residuals;
    std::vector<double> marks;  // the shown fit's b
    std::uint32_t revision = 0;
    std::string term;
    double bound = 0;
  };
  // The spectra of the table's pairs and the shown fit's residuals up to
  // the bound, computed anew when any of them changed; nullptr without.
  const ShownSpectra* CurrentSpectra();
  std::optional<graph_reduziert::PlotView> PeriodogramFitView();
  void PaintPeriodogram(platform::Canvas& canvas);

  // The periodogram over the period 2π/b instead of b, and the pairs'
  // spectral window beside its power (periodogramview.cpp).
  QAction* actionPeriodAxis = nullptr;      // "Periode statt Frequenz", checkable
  QAction* actionSpectralWindow = nullptr;  // "Spektralfenster", checkable
  graph_reduziert::SpectrumAxis PeriodogramAxis() const;
  graph_reduziert::AxisTitles PeriodogramTitles() const;
  struct ShownWindow {
    sinusfit::PowerSpectrum power;
    std::uint32_t revision = 0;
    double bound = 0;
  };
  std::optional<ShownWindow> window_;
  // The window on the spectra's grid, computed anew when the pairs or the
  // bound change; nullptr without.
  const sinusfit::PowerSpectrum* CurrentWindow();
  double spectraSpan_ = 0;  // of the pairs' x the spectra are of

  // The table's contents replaced (a file, the examples) together with the
  // axis titles that belong to them, as one step of the undo history.
  void ReplaceTable(TableColumns columns, const QString& undoText, std::optional<bool> showSigma,
                    const AxisTitles& titles);
  void SaveReportDialog();
  std::optional<int> AskPngWidth();
  void BuildPlotMenu();
  void BuildTableMenu();
  void BuildResultListMenu();

  // The computation (computation.cpp). After every run of the window's
  // events it goes on, stops at an abort click, or ends without touching a
  // window that has closed or been destroyed.
  enum class Pumping { kGoOn, kAborted, kWindowGone };
  static Pumping WindowState(const QPointer<TForm1>& self);
  static Pumping PumpEvents(const QPointer<TForm1>& self);
  static void StopComputation(const QPointer<TForm1>& self);
  int CheckedFitMode() const;
  double FixedValue(int fitMode) const;
  double BoundOnB() const;
  void EndComputation();
  std::optional<sinusfit::PassResult> RunPasses(sinusfit::Computation& computation,
                                                const QPointer<TForm1>& self);
  bool FrequencyScanWanted(sinusfit::FitMode mode) const;
  void ShowProgress(int passesDone);
  // Enables or disables what replaces or reshapes the table.
  void AllowTableReplacing(bool allowed);
  // After a computation without the scan, while idle: whether the scan
  // would have done better (the statistics label's last line).
  void LookForScanHint();
  // After a computation with the sine, while idle: the scan's hint where it
  // applies, then the model hint.
  void LookForHints();
  // For work while the window is idle: whether what it finds is still
  // current, and the same after running the window's events now and then.
  struct IdleWatch {
    std::function<bool()> current, keepGoing;
  };
  IdleWatch WatchWhileIdle();

  // The choice of model (modelchoice.cpp).
  void BuildModelChoice(QWidget* panel);
  sinusfit::ModelKind ChosenModel() const;
  int ChosenFrequencies() const;
  void ShowModelFormula();
  // Whether a richer model would lower the error clearly (the label's hint).
  void LookForModelHint();

  // The result list (results.cpp).
  void ClearResults();
  void ShowListHeading(bool weighted);
  void AddResultLine(const sinusfit::Computation& computation, const sinusfit::PassResult& result);
  // The line with the smallest error bold, only it.
  void MarkBestLine();
  double BestListedError() const;
  // The best line chosen in the list, and its result in `result`.
  void ChooseBestLine(sinusfit::PassResult& result);
  // The end of a computation: f(x) only into rows that still hold the pairs
  // it was computed from (revision: the table's when they were read).
  void ShowComputedResult(const sinusfit::PassResult& result, const TablePairs& pairs,
                          std::uint32_t revision);
  // f(x) of the term into the pairs' rows (or only those of fittedRows,
  // sorted), the curve with the pairs in the plot, the statistics.
  void ShowResult(std::string_view term, const std::string& entry, const TablePairs& pairs,
                  const std::vector<int>* fittedRows = nullptr);

  // Statistics (statistics.cpp), on the pairs the table holds.
  void BuildStatistics(QWidget* panel);
  void ShowStatistics(const std::string& entry, const TablePairs& pairs);
  void AppendScanHint();
  // "Frequenzsuche: b = 0,860808" and "FAP = 0,0012" for a line of a computation
  // that scanned.
  QString FoundPeriodText(const ResultRecord& shown) const;
  void ClearStatistics();

  // The view (view.cpp).
  void ConnectPlotGestures();
  void SetUserView(const graph_reduziert::PlotView& view);
  // Draws the note about pairs out of view; returns how many are.
  int DrawViewHint(platform::Canvas& canvas) const;
  // "Ergebnis im Bild": the shown fit in the quietest corner of the area.
  void DrawResultCaption(platform::Canvas& canvas, bool hintShown) const;
  graph_reduziert::AxisTitles ShownTitles() const;
  std::string ShownTerm() const;
  // The plot list of a result: the curve, and the pairs (from their texts
  // on the usual scale, else from their numbers with any error bars).
  void ShowCurveWithPairs(std::string_view term, const TablePairs& pairs,
                          const sinusfit::TextPrecision& precision);
 public:
  // The table's pairs without a curve, in a view fitted to them (after a
  // file was opened); they go when the pairs change.
  // The table's numeric pairs, as the opened file gave them.
  void ShowPairsOnly(graph_reduziert::PlotPoints pairs);

 private:
  void ForgetPairsOnly();
  void StartDrag(QPointF position);
  void DragTo(QPointF position);
  QAction* actionFitView_ = nullptr;
  QAction* actionDefaultView_ = nullptr;
  std::optional<graph_reduziert::PlotView> userView_;
  std::optional<graph_reduziert::PlotView> dragStartView_;
  // The pairs' view while the periodogram is shown.
  std::optional<graph_reduziert::PlotView> otherView_;
  std::optional<ShownSpectra> spectra_;
  QRect dragArea_;
  // The view and its area that a zoom or a drag starts from.
  std::pair<graph_reduziert::PlotView, QRect> GestureView() const;
  // The framed data area of a user view at PB4's size.
  QRect FrameArea(const graph_reduziert::PlotView& view) const;
  QPointF dragStart_;

  // Files (pairfiles.cpp, export.cpp, fileaccess.cpp).
  void AcceptDroppedFiles();
  std::optional<QByteArray> ReadFileBytes(const QString& path);
  bool ChooseColumns(wertedatei::PairFile& pairs, std::string_view content, const QString& path,
                     const wertedatei::ReadOptions& options);
  bool CheckFileUncertainties(const wertedatei::PairFile& pairs, const QString& path);
  void TakePairs(wertedatei::PairFile pairs, const QString& path);
  void ShowMessage(const QString& text, bool warning = true);
  // Puts a read session into the window (session.cpp).
  void ApplySession(wertedatei::Session session);
  // Autosave (recovery.cpp).
  void WatchForChanges();
  void StateChanged();
  void StopAutosave();
  RecoveryAnswer AskAboutRecovery(const QDateTime& saved);
  std::unique_ptr<AutoSaver> autosaver_;
  bool autosaveFailureShown_ = false;
  std::function<RecoveryAnswer(const QDateTime&)> recoveryAsker_;
  // The term and decimals of the f(x) cells still to be formatted.
  std::string fittedTerm_;
  sinusfit::TextPrecision fittedPrecision_;
  // The result line the statistics are of; empty without statistics.
  std::string shownEntry_;
  // Counts the changes of the table's pairs, so that a session marks, instead
  // of writing out, the pairs that are the table's own: the data of the last
  // computation while the pairs have not changed since it read them, and the
  // points drawn from the table (0: points from elsewhere, a file's numbers).
  std::uint64_t pairsVersion_ = 1;
  struct TablesData {
    const sinusfit::FitData* data = nullptr;
    std::uint64_t version = 0;
  } tablesData_;
  std::uint64_t pointsVersion_ = 0;
  std::uint64_t fittedVersion_ = 0;  // of the f(x) values due: their x the table's
  // Saving and closing (savedstate.cpp).
  void ShowFileName(const QString& path);
  void ForgetPairFile();
  void UpdateTitle();
  void TrackTableChanges();
  bool CanSaveToPairFile() const;
  CloseAnswer AskAboutChanges();
  bool MayClose();
  bool CheckSaved(const QString& path, const QString& failure);
  QImage PlotImage();

  std::unique_ptr<grund::PlotList> plotList_;
  // Pairs drawn from their numbers beside the plot list (long series, Δy,
  // opened files). Mutable: it caches their reduction to the current frame.
  mutable graph_reduziert::PointsLayer points_;
  bool pairsOnlyShown_ = false;
  std::shared_ptr<sinusfit::Computation> lastComputation_;
  int computationsStarted_ = 0;
  double scanBound_ = 0;  // of the computation running or last run
  double searchedUpTo_ = 0;
  QString statisticsText_;
  QString scanHint_;
  QString modelHint_;
  SigmaFillAsker sigmaFillAsker_;
  std::map<std::string, ResultRecord> resultRecords_;  // by entry text
  bool closed_ = false;                                // closed and not shown again since

  bool collectMessages_ = false;
  QString lastMessage_;
  int messagesShown_ = 0;
  QString lastFolder_;  // where the last file dialog ended
  ColumnChooser columnChooser_;
  QShortcut* abortKey_ = nullptr;  // Esc during a computation
  QString pairFile_;  // last opened or saved
  bool pairFileHasMoreColumns_ = false;
  AxisTitles axisTitles_;
  // Where the last paint put the titles (PB4's pixels).
  graph_reduziert::TitleBoxes titleBoxes_;
  // The shown fit for "Ergebnis im Bild" (UTF-8), set with its statistics.
  std::vector<std::string> captionLines_;
  // Where the caption went for a picture: the view, the area, the caption's
  // size, the note's presence and the plot list's texts (the points are
  // forgotten whenever they are replaced).
  struct CaptionPlace {
    graph_reduziert::PlotView view;
    QSize plotSize;
    graph_reduziert::PixelBox size;
    bool hint = false;
    std::vector<std::string> entries;
    friend bool operator==(const CaptionPlace&, const CaptionPlace&) = default;
  };
  mutable std::optional<std::pair<CaptionPlace, graph_reduziert::PixelBox>> captionPlace_;
  sinusfit::ModelStatistics shownStatistics_;
  sinusfit::ModelKind shownModel_ = sinusfit::ModelKind::kSine;
  std::vector<double> shownValues_;  // the shown line's parameters (a sum's count)
  std::vector<std::string> shownSignificance_;  // a sum's lines of FAP and S/N
  int shownHeld_ = -1;
  std::function<CloseAnswer()> closeAsker_;
  std::function<std::optional<AxisTitles>(const AxisTitles&)> titlesAsker_;
  std::function<std::optional<int>()> pngSizeAsker_;
  ReadWatcher readWatcher_;
};

// The PNG's width in pixels for a print `centimetres` wide at 300 dpi.
int PngWidthForPrint(double centimetres);

}  // namespace app

using app::TForm1;
