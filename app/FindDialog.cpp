#include "app/FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget* Parent) : QDialog(Parent) {
  setObjectName(QStringLiteral("FindDialog"));
  setModal(false);
  auto* fields = new QGridLayout;
  auto* patternLabel = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
  Pattern = new QLineEdit(this);
  Pattern->setObjectName(QStringLiteral("Pattern"));
  patternLabel->setBuddy(Pattern);
  FReplaceLabel = new QLabel(QStringLiteral("置換後の文字列(&P):"), this);
  Replacement = new QLineEdit(this);
  Replacement->setObjectName(QStringLiteral("Replacement"));
  FReplaceLabel->setBuddy(Replacement);
  fields->addWidget(patternLabel, 0, 0);
  fields->addWidget(Pattern, 0, 1);
  fields->addWidget(FReplaceLabel, 1, 0);
  fields->addWidget(Replacement, 1, 1);

  MatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
  WholeWord = new QCheckBox(QStringLiteral("単語単位(&W)"), this);
  Regex = new QCheckBox(QStringLiteral("正規表現(&E)"), this);
  WrapAround = new QCheckBox(QStringLiteral("折り返して検索(&O)"), this);
  WrapAround->setChecked(true);
  InSelection = new QCheckBox(QStringLiteral("選択範囲内(&L)"), this);
  auto* options = new QVBoxLayout;
  for (QCheckBox* c : {MatchCase, WholeWord, Regex, WrapAround, InSelection}) options->addWidget(c);

  FindNextButton = new QPushButton(QStringLiteral("次を検索(&F)"), this);
  FindNextButton->setDefault(true);
  FindPrevButton = new QPushButton(QStringLiteral("前を検索(&B)"), this);
  ReplaceButton = new QPushButton(QStringLiteral("置換(&R)"), this);
  ReplaceAllButton = new QPushButton(QStringLiteral("すべて置換(&A)"), this);
  CloseButton = new QPushButton(QStringLiteral("閉じる"), this);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {FindNextButton, FindPrevButton, ReplaceButton, ReplaceAllButton, CloseButton}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  FindNextButton->setAutoDefault(true);
  buttons->addStretch(1);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

  FStatus = new QLabel(this);
  FStatus->setObjectName(QStringLiteral("Status"));
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  left->addWidget(FStatus);
  left->addStretch(1);
  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(buttons);
  SetReplaceMode(false);
}

void TFindDialog::SetReplaceMode(bool Replace) {
  FReplaceMode = Replace;
  setWindowTitle(Replace ? QStringLiteral("置換") : QStringLiteral("検索"));
  for (QWidget* w : {static_cast<QWidget*>(FReplaceLabel), static_cast<QWidget*>(Replacement),
                     static_cast<QWidget*>(ReplaceButton), static_cast<QWidget*>(ReplaceAllButton),
                     static_cast<QWidget*>(InSelection)})
    w->setVisible(Replace);
}

void TFindDialog::SetStatus(const QString& Text) { FStatus->setText(Text); }
QString TFindDialog::Status() const { return FStatus->text(); }
