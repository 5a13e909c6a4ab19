#pragma once
// The window's look, shared by its controls: the panel colour, the window
// font and the bold navy headings.

#include <QColor>
#include <QFont>
#include <QPalette>

class QLabel;
class QWidget;

namespace app {

// The light grey of the panels and of the table's heading row (15790320).
inline constexpr QColor kPanelColour(240, 240, 240);
inline constexpr QColor kNavy(0, 0, 128);

// Verdana at the given height in pixels (12 is 9 points at 96 pixels per
// inch); where Verdana is missing, the sans-serif face the system offers.
QFont WindowFont(int pixels, bool bold = false);

// Sets one colour of a widget's palette.
void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

// Bold navy captions: the headings of the left column and the result list.
void MakeHeading(QLabel* label);

}  // namespace app
