// The main window: a thin shell around the editor control.
#pragma once

#include <QMainWindow>

class TAFEdit;

class TForm1 : public QMainWindow {
  Q_OBJECT

public:
  explicit TForm1(QWidget* parent = nullptr);

  TAFEdit* AFEdit1 = nullptr;
};
