#include "AFEdit/platform/ScrollBars.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

// A bar that reports the release of a mouse button after it has handled
// the release itself (a released thumb reports its position first).
class TReleaseBar : public QScrollBar {
public:
  using QScrollBar::QScrollBar;
  std::function<void()> OnReleased;

protected:
  void mouseReleaseEvent(QMouseEvent* Event) override {
    QScrollBar::mouseReleaseEvent(Event);
    if (OnReleased) OnReleased();
  }
};

int RequestOf(int Action) {
  switch (Action) {
    case QAbstractSlider::SliderSingleStepSub: return sbLineUp;
    case QAbstractSlider::SliderSingleStepAdd: return sbLineDown;
    case QAbstractSlider::SliderPageStepSub: return sbPageUp;
    case QAbstractSlider::SliderPageStepAdd: return sbPageDown;
    case QAbstractSlider::SliderMove: return sbThumbTrack;
    case QAbstractSlider::SliderToMinimum: return sbTop;
    case QAbstractSlider::SliderToMaximum: return sbBottom;
    default: return -1;
  }
}

}  // namespace

QScrollBar* TScrollBars::Bar(TScrollBarKind Kind) const {
  return Kind == sbVertical ? FArea->verticalScrollBar() : FArea->horizontalScrollBar();
}

void TScrollBars::Attach(QAbstractScrollArea& Area) {
  FArea = &Area;
  Area.setVerticalScrollBar(new TReleaseBar(Qt::Vertical));
  Area.setHorizontalScrollBar(new TReleaseBar(Qt::Horizontal));
  Connect(sbVertical);
  Connect(sbHorizontal);
}

void TScrollBars::Connect(TScrollBarKind Kind) {
  auto* bar = static_cast<TReleaseBar*>(Bar(Kind));
  bar->setSingleStep(1);
  QObject::connect(bar, &QAbstractSlider::actionTriggered, FArea, [this, Kind, bar](int Action) {
    const int code = RequestOf(Action);
    if (FInBarUpdate || code < 0 || !OnRequest) return;
    // The bar applies its own step after this signal; the request decides
    // the position instead.
    const QSignalBlocker block(bar);
    bar->setSliderPosition(OnRequest(Kind, code, bar->sliderPosition()));
  });
  QObject::connect(bar, &QAbstractSlider::sliderReleased, FArea, [this, Kind] {
    if (OnRequest) OnRequest(Kind, sbThumbPosition, 0);
  });
  bar->OnReleased = [this, Kind] {
    if (OnRequest) OnRequest(Kind, sbEndScroll, 0);
  };
}

void TScrollBars::Apply(TScrollBarKind Kind, const TScrollInfo& Info) {
  QScrollBar* bar = Bar(Kind);
  const QSignalBlocker block(bar);
  FInBarUpdate = true;
  if (Info.Mask & (sifRange | sifPage)) {
    bar->setPageStep(std::max(Info.Page, 1));
    bar->setRange(Info.Min, std::max(Info.Min, Info.Max - std::max(Info.Page, 1) + 1));
  }
  if (Info.Mask & sifPos) bar->setValue(Info.Pos);
  FInBarUpdate = false;
}

void TScrollBars::Show(TScrollBarKind Kind, bool Show) {
  const Qt::ScrollBarPolicy policy = Show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (Kind == sbVertical) {
    if (FArea->verticalScrollBarPolicy() != policy) FArea->setVerticalScrollBarPolicy(policy);
  } else if (FArea->horizontalScrollBarPolicy() != policy) {
    FArea->setHorizontalScrollBarPolicy(policy);
  }
}

void TScrollBars::SetPos(TScrollBarKind Kind, int Pos, bool Styled) {
  FInfo[Kind].Pos = Pos;
  if (Styled) Apply(Kind, TScrollInfo{28, sifPos, 0, 0, 0, Pos, 0});
}

TScrollInfo TScrollBars::Record(TScrollBarKind Kind, bool Styled) const {
  TScrollInfo info = FInfo[Kind];
  if (Styled) {
    const QScrollBar* bar = Bar(Kind);
    info.Pos = bar->value();
    info.TrackPos = bar->sliderPosition();
  }
  return info;
}

void TScrollBars::Refresh(TScrollBarKind Kind, bool Needed, const TScrollInfo& Info, bool Styled) {
  bool& shown = FShown[Kind];
  if (Needed) {
    FInfo[Kind] = Info;
    if (Styled) {
      Apply(Kind, Info);
      if (!shown) Show(Kind, true);
      shown = true;
    } else {
      Show(Kind, false);
    }
  } else if (shown) {
    Show(Kind, false);
    shown = false;
  }
}
