#include "app/windowstyle.h"

#include <QLabel>
#include <QWidget>

namespace app {

QFont WindowFont(int pixels, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("Verdana")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

void MakeHeading(QLabel* label) {
  label->setFont(WindowFont(12, true));
  SetColour(label, QPalette::WindowText, kNavy);
}

}  // namespace app
