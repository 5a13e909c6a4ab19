// The window's layout and controls: the left column with the table and the
// settings of the fit, the plot area above the result list on the right, the
// keyboard order, and the handlers of showing and closing the window and of
// the buttons "B" and "x".

#include "app/tform1.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QToolButton>
#include <array>
#include <string_view>
#include <utility>

#include "app/autosaver.h"
#include "app/controls.h"
#include "app/valuetable.h"
#include "app/windowstyle.h"
#include "platform/qtlatin1.h"

namespace app {

std::uint8_t CalcIdle = 1;

namespace {

// Sizes in pixels.
constexpr int kClientWidth = 1032;
constexpr int kClientHeight = 711;
constexpr int kLeftWidth = 249;
constexpr int kRightWidth = kClientWidth - kLeftWidth;  // 783
constexpr int kBottomHeight = 212;
constexpr int kPlotHeight = kClientHeight - kBottomHeight;  // 499
constexpr int kHeadingBarHeight = 25;
constexpr int kMargin = 10;  // left edge of the left column's controls
constexpr int kEditHeight = 21;

template <typename Control>
Control* Named(Control* control, const char* name) {
  control->setObjectName(platform::FromLatin1(name));
  return control;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, int x, int y) {
  auto* label = Named(new QLabel(caption, parent), name);
  label->setTextFormat(Qt::PlainText);
  label->move(x, y);
  return label;
}

// The speed buttons beside the table's heading: flat, never focused.
QToolButton* NewSpeedButton(QWidget* parent, const char* name, const QString& caption,
                            QRect geometry) {
  auto* button = Named(new QToolButton(parent), name);
  button->setText(caption);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setGeometry(geometry);
  return button;
}

struct ExamplePair {
  std::string_view x, y;
};
constexpr std::array<ExamplePair, 9> kExampleData{{
    {"1.5", "1.4"},
    {"1.1", "1.2"},
    {"0.7", "0"},
    {"0.3", "-0.2"},
    {"-0.1", "0.4"},
    {"-0.5", "1"},
    {"-1", "1.6"},
    {"-1.5", "1.2"},
    {"2.8", "0.1"},
}};

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Kalvento"));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(WindowFont(12));
  setAutoFillBackground(true);
  SetColour(this, QPalette::Window, kPanelColour);
  SetColour(this, QPalette::WindowText, Qt::black);

  auto* leftPanel = new QWidget(this);
  leftPanel->setGeometry(0, 0, kLeftWidth, kClientHeight);
  BuildLeftColumn(leftPanel);
  BuildRightSide();
  SetKeyboardOrder();
  // The controls and actions beyond the fit's own.
  BuildFrequencyScanOption(leftPanel);
  BuildModelChoice(leftPanel);
  ConnectKeys();
  CreateActions();
  BuildFileButtons(leftPanel);
  BuildStatistics(leftPanel);
  BuildPlotMenu();
  BuildTableMenu();
  BuildResultListMenu();
  ConnectPlotGestures();
  AcceptDroppedFiles();
  TrackTableChanges();

  connect(S1, &QToolButton::clicked, this, &TForm1::S1X);
  connect(S11, &QToolButton::clicked, this, &TForm1::S11C);
  connect(Button1, &QPushButton::clicked, this, &TForm1::D18C);
  connect(Listbox1, &ResultListBox::EntryChosen, this, &TForm1::Listbox1Click);

  FormCreate();
}

// The window's object going away is an orderly end too: its recovery file
// goes before its controls, whose last signals then find no autosave.
TForm1::~TForm1() { StopAutosave(); }

void TForm1::BuildLeftColumn(QWidget* panel) {
  const int right = kLeftWidth - kMargin;  // right edge of the table and the edit fields

  Label6 = NewLabel(panel, "Label6", QStringLiteral("Wertepaare"), kMargin, 12);
  MakeHeading(Label6);
  S11 = NewSpeedButton(panel, "S11", QStringLiteral("B"), QRect(right - 47, 7, 23, 22));
  S1 = NewSpeedButton(panel, "S1", QStringLiteral("x"), QRect(right - 23, 6, 23, 23));

  SG4 = Named(new ValueTable(panel), "SG4");
  SG4->setGeometry(kMargin, 34, 229, 241);

  Label1 = NewLabel(panel, "Label1", QStringLiteral("Anzahl Paare"), kMargin, 286);
  Label2 = NewLabel(panel, "Label2", QStringLiteral("-"), 110, 286);
  Button1 = Named(new QPushButton(QStringLiteral("Berechnung"), panel), "Button1");
  Button1->setGeometry(kMargin, 310, 153, 25);

  Label4 = NewLabel(panel, "Label4", QStringLiteral("Zielfunktion"), kMargin, 354);
  MakeHeading(Label4);
  Label5 = NewLabel(panel, "Label5", QStringLiteral("y = a sin (bx + c) + d"), kMargin, 376);
  Label5->setFont(WindowFont(15));

  auto* fitModes = new QButtonGroup(panel);
  const auto newRadio = [&](const char* name, const QString& caption, int id, int y, int width) {
    auto* radio = Named(new QRadioButton(caption, panel), name);
    radio->setGeometry(kMargin, y, width, kEditHeight);
    fitModes->addButton(radio, id);
    return radio;
  };
  const auto newEdit = [&](const char* name, int x, int y, int width) {
    auto* edit = Named(new QLineEdit(panel), name);
    edit->setGeometry(x, y, width, kEditHeight);
    return edit;
  };
  rt1 = newRadio("rt1", QStringLiteral("alle Parameter berechnen"), 1, 404, right - kMargin);
  rt1->setChecked(true);
  // rt2 .. rt5, one row each, with the edit field of the fixed value beside.
  const int captionWidth = 105, editWidth = 121, editX = right - editWidth;
  const auto rowY = [](int i) { return 432 + 27 * i; };
  rt2 = newRadio("rt2", QStringLiteral("a ist fest ="), 2, rowY(0), captionWidth);
  Edit1 = newEdit("Edit1", editX, rowY(0), editWidth);
  rt3 = newRadio("rt3", QStringLiteral("b ist fest ="), 3, rowY(1), captionWidth);
  Edit2 = newEdit("Edit2", editX, rowY(1), editWidth);
  rt4 = newRadio("rt4", QStringLiteral("c ist fest ="), 4, rowY(2), captionWidth);
  Edit3 = newEdit("Edit3", editX, rowY(2), editWidth);
  rt5 = newRadio("rt5", QStringLiteral("d ist fest ="), 5, rowY(3), captionWidth);
  Edit4 = newEdit("Edit4", editX, rowY(3), editWidth);

  Label3 = NewLabel(panel, "Label3", QStringLiteral("maximaler Wert für |b|"), kMargin, 552);
  Edit5 = newEdit("Edit5", right - 65, 549, 65);
  Edit5->setText(QStringLiteral("200"));

  for (QLabel* label : {Label6, Label1, Label4, Label5, Label3}) label->adjustSize();
  // The pair count is rewritten later; room for any count up to the margin.
  Label2->resize(right - Label2->x(), Label1->height());
}

void TForm1::BuildRightSide() {
  PB4 = Named(new PlotBox(this, [this] { PB4Paint(); }), "PB4");
  PB4->setGeometry(kLeftWidth, 0, kRightWidth, kPlotHeight);

  auto* bottomPanel = new QWidget(this);
  bottomPanel->setGeometry(kLeftWidth, kPlotHeight, kRightWidth, kBottomHeight);

  Panel6 = Named(new QLabel(bottomPanel), "Panel6");
  // Nine blanks between the two words.
  Panel6->setText(QStringLiteral("Summe der Fehlerquadrate         Funktion"));
  Panel6->setTextFormat(Qt::PlainText);
  Panel6->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Panel6->setIndent(4);
  Panel6->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel6->setGeometry(0, 0, kRightWidth, kHeadingBarHeight);
  MakeHeading(Panel6);

  Listbox1 = Named(new ResultListBox(bottomPanel), "Listbox1");
  Listbox1->setGeometry(0, kHeadingBarHeight, kRightWidth, kBottomHeight - kHeadingBarHeight);
  Listbox1->setFrameShape(QFrame::NoFrame);
  Listbox1->setSortingEnabled(true);
  Listbox1->setUniformItemSizes(true);
  Listbox1->setItemDelegate(new TabStopDelegate(100, 14, Listbox1));
}

void TForm1::BuildFrequencyScanOption(QWidget* panel) {
  CheckFrequenzsuche =
      Named(new QCheckBox(QStringLiteral("Frequenzsuche"), panel), "CheckFrequenzsuche");
  CheckFrequenzsuche->setGeometry(kMargin, 578, 229, 21);
  CheckFrequenzsuche->setToolTip(QStringLiteral(
      "Sucht vor den 20 Durchgängen mit zufälligen Startwerten die Frequenz b auf einem feinen "
      "Raster von 0 bis zum maximalen Wert für |b| ab und stellt die beste so gefundene "
      "Anpassung als eigene Zeile in die Liste. So wird b auch weit außerhalb von −5 bis 5 "
      "gefunden, etwa bei x in Tagen, Jahren oder Sekunden. Bei festem b ohne Wirkung."));
  // After the controls of the fit and the result list in the keyboard order.
  setTabOrder(Listbox1, CheckFrequenzsuche);
}

// Beside "B" and "x" in the table's heading row: the buttons of the file
// actions (menus.cpp).
void TForm1::BuildFileButtons(QWidget* panel) {
  const auto newButton = [panel](const char* name, QAction* action, QRect geometry) {
    auto* button = Named(new QToolButton(panel), name);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(16, 16));
    button->setGeometry(geometry);
    return button;
  };
  ButtonOpenPairs = newButton("ButtonOpenPairs", actionOpenPairs, QRect(144, 6, 23, 23));
  ButtonSavePairs = newButton("ButtonSavePairs", actionSavePairs, QRect(168, 6, 23, 23));
}

void TForm1::SetKeyboardOrder() {
  QWidget* const order[] = {SG4, Edit1, Edit2, Edit3, Edit4,   rt1,     rt2,
                            rt3, rt4,   rt5,   Edit5, Button1, Listbox1};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TForm1::ConnectKeys() {
  // "Frequenzsuche" right after the bound field, before the button.
  setTabOrder(Edit5, CheckFrequenzsuche);
  // Return in a parameter field or the bound field starts the computation.
  for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5}) {
    connect(edit, &QLineEdit::returnPressed, this, [this] {
      if (CalcIdle == 1) D18C();
    });
  }
  // Esc while a computation runs is the click on "Abbruch"; otherwise it is
  // left to the cell editors and fields.
  abortKey_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  abortKey_->setContext(Qt::WindowShortcut);
  abortKey_->setEnabled(false);
  connect(abortKey_, &QShortcut::activated, this, [this] {
    if (CalcIdle == 0) D18C();
  });
}

void TForm1::CentreOnScreen() {
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // the window system restoring it, not a show
  CentreOnScreen();
  FormShow();
}

void TForm1::FormCreate() { plotList_ = std::make_unique<grund::PlotList>(); }

void TForm1::FormShow() {
  CalcIdle = 1;
  closed_ = false;
  SG4->SetCellLatin1(0, 0, "x");
  SG4->SetCellLatin1(0, 1, "y");
  SG4->SetCellLatin1(0, 2, "f(x)");
  // A window shown again after it was closed gets a fresh plot list.
  if (plotList_ == nullptr) plotList_ = std::make_unique<grund::PlotList>();
  grund::ClearPlotList(*plotList_);
}

void TForm1::FormClose() {
  closed_ = true;
  plotList_.reset();
}

// Both replace the table: not while a computation runs (their buttons are
// disabled then; this holds for any other caller too).
void TForm1::S1X() {
  if (CalcIdle == 0) return;
  SG4->ClearDataRows();
}

void TForm1::S11C() {
  if (CalcIdle == 0) return;
  TableColumns examples;
  for (const ExamplePair& pair : kExampleData) {
    examples.x.push_back(pair.x);
    examples.y.push_back(pair.y);
  }
  ReplaceTable(std::move(examples), QStringLiteral("Beispielwerte laden"), std::nullopt, {});
  // The examples are no file's pairs and no work of the user's.
  SG4->MarkUnmodified();
  ForgetPairFile();
  Label2->setText(QStringLiteral("9"));
}

}  // namespace app
