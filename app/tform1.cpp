#include "app/tform1.h"

namespace app {

TForm1::TForm1(QWidget* parent) : QWidget(parent) { setWindowTitle("Kalvento"); }

}  // namespace app
