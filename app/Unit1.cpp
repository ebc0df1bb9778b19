#include "app/Unit1.h"

#include "AFEdit/AFEdit.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Hotaru"));
  setGeometry(213, 144, 642, 347);
  AFEdit1 = new TAFEdit(this);
  setCentralWidget(AFEdit1);

  // The editor's design values, applied as a form applies stored properties.
  AFEdit1->BeginFormLoad();
  TFont font = AFEdit1->Font();
  font.Name = QStringLiteral("ＭＳ ゴシック");
  font.Height = -12;
  font.Color = clWindowText;
  AFEdit1->SetFont(font);
  AFEdit1->SetViewOpt(TViewOptions::FromBits((1u << (voFoldMark + 1)) - 1));  // all eleven
  AFEdit1->SetLeftMgn(36);
  AFEdit1->Loaded();
  AFEdit1->setFocus();
}
