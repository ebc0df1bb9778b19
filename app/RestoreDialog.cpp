// The list of recovery copies to restore: one line per copy, the newest
// first and chosen; the user restores the chosen ones or all, gives them
// all up, or leaves them for later (closing the box does that too, so
// nothing is lost by a slip of the hand).
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/FormUi.h"

TRestoreChoice TQtFormUi::ChooseRestore(QWidget* Owner, const QString& Text, const QStringList& Items) {
  QDialog box(Owner);
  box.setWindowTitle(QStringLiteral("復元"));
  auto* layout = new QVBoxLayout(&box);
  auto* label = new QLabel(Text, &box);
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* list = new QListWidget(&box);
  list->setObjectName(QStringLiteral("RestoreList"));
  list->addItems(Items);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  if (!Items.isEmpty()) list->setCurrentRow(0);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(&box);
  QPushButton* chosen = buttons->addButton(QStringLiteral("選んだものを復元(&R)"), QDialogButtonBox::AcceptRole);
  QPushButton* all = buttons->addButton(QStringLiteral("すべて復元(&A)"), QDialogButtonBox::AcceptRole);
  QPushButton* discard = buttons->addButton(QStringLiteral("すべて破棄(&D)"), QDialogButtonBox::DestructiveRole);
  QPushButton* later = buttons->addButton(QStringLiteral("後で(&L)"), QDialogButtonBox::RejectRole);
  chosen->setDefault(true);
  layout->addWidget(buttons);
  QPushButton* clicked = nullptr;
  QObject::connect(buttons, &QDialogButtonBox::clicked, &box, [&](QAbstractButton* B) {
    clicked = qobject_cast<QPushButton*>(B);
    B == later ? box.reject() : box.accept();
  });
  QObject::connect(list, &QListWidget::itemDoubleClicked, &box, [&] {
    clicked = chosen;
    box.accept();
  });
  box.resize(560, 320);
  box.exec();

  TRestoreChoice c;
  if (clicked == discard) {
    c.Action = TRestoreChoice::Discard;
  } else if (clicked == all || clicked == chosen) {
    for (int i = 0; i < list->count(); ++i)
      if (clicked == all || list->item(i)->isSelected()) c.Items.push_back(i);
    if (!c.Items.empty()) c.Action = TRestoreChoice::Restore;
  }
  return c;
}
