#include "app/Unit1.h"

#include "AFEdit/AFEdit.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Hotaru"));
  resize(640, 480);
  AFEdit1 = new TAFEdit(this);
  setCentralWidget(AFEdit1);
  AFEdit1->Loaded();
}
