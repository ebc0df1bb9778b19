// Construction, destruction, Loaded and Clear of the editor control, and the
// setters of its plain published properties.
#include "AFEdit/AFEdit.h"

#include <algorithm>

#include "AFEdit/layout/JpnRules.h"
#include "AFEdit/platform/Cp932.h"

bool TCustomAFEdit::SnapBackward = false;

TCustomAFEdit::TCustomAFEdit(QWidget* Owner) : QAbstractScrollArea(Owner) {
  // The owned lists and buffers are members; the record of rows and the
  // work buffers start empty.
  FCellAdvances.assign(65536, FCellWidth);
  FSysCaret.OnInvalidate = [this](const TRect& R) { InvalidateRect(R); };
  FBlkAttrs.OnDelete = [this](TBlkAttrList*, int first, int last) {
    if (OnBlockDelete) OnBlockDelete(this, first, last);
  };
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  setAttribute(Qt::WA_InputMethodEnabled);
  FCanvas.SetPalette(palette());
  // Whatever the canvas draws is shown again through the one repaint seam.
  FCanvas.SetDamageSink([this](const TRect& R) { InvalidateRect(R); });
  FBars.OnRequest = [this](TScrollBarKind Bar, int Code, int Pos) { return BarRequest(Bar, Code, Pos); };
  FBars.Attach(*this);
  FPointer.Attach(viewport());

  FCaretShapeMode = FCaretShapeWide = true;
  FPrevCaretCol = FPrevLeftCol = -1;
  FPrevMarkers = {-1, -1};
  FCrMarkKey = {};
  FPaintedTopRow = -1;
  FLastDragRow = -1;
  FSel.ClearRowSel();
  FSel.CollapseCharSel();
  SetScrollBars(ssBoth);

  FCrSource = LoadCrBitmap();  // throws when the resource is missing

  FCanvas.SetFont(FFont);
  FCharHeight = FCanvas.TextHeight();
  FRowPich = 2;
  FRowHeight = FCharHeight + 2;

  FAccelRate = 2;
  FOptions = {aoAutoFormat};
  SetBanHead(std::string(kDefaultBanHead));
  SetBanEnd(std::string(kDefaultBanEnd));
  FCaret = {0, 0};
  FPrevCaret = FCaret;

  FColColumnIndi = clBtnFace;
  FColCr = clMaroon;
  SetColor(clWindow);
  FColLeftMgn = clWindow;
  FColRowNo = clWindowText;
  FColSelBrush = clHighlight;
  FColColumnNo = clWindowText;
  FDefWrapPos = 60;

  resize(200, 100);
  FTextRect = {40, FRowHeight, width(), height()};
  FSelTextFont.Color = clHighlightText;

  FEditGroup = 0;
  FCaretHideCount = 0;
  FInsertMode = true;
  FTopRow = 0;
  // Letters are always word characters; keywords add theirs.
  RebuildWordChars(FKeywords);
  FLeftCol = 0;
  SetDependenceChar(std::string(kDefaultDependenceChar));
  FShiftSel = false;
  FRowDspFmt = "%5d:";
  FTabSize = 4;
  FTrackScroll = true;
  FViewOpt = {voDependence, voHankana, voCr, voAnsiSpace, voTab, voIndent, voColIndicate, voKeyWord, voRowNum, voWrapLine};
  FWrapLeadBytes = 10;
  FWrapTrailBytes = 4;

  FFont.Name = QStringLiteral("ＭＳ ゴシック");
  FFont.Color = clWindowText;
  FClickBias = 3;
  viewport()->setMouseTracking(true);  // the pointer shape follows hovering

  UpdateMetrics(false);
  FUndoBuff.SetUndoMax(-1);
  RegisterProgramCursor(crRevCursor, LoadRevCursor());
  FUndoBuff.Reset();
  SetColDependence(clFuchsia);
}

TCustomAFEdit::~TCustomAFEdit() {
  FUndoBuff.Clear();
  FLineAttrs.Clear();
  FRowClipAttrs.Clear();
}

void TCustomAFEdit::ResetDocument() {
  FLineAttrs.Clear();
  FLines.Clear();
  FBlkAttrs.Clear();
}

void TCustomAFEdit::Loaded() {
  FLoadingForm = false;
  FontChanged();
  FUndoBuff.Reset();
  FireUndoChange(false, false);
  TLineAttr A;
  InitLineAttr(false, 0, A, FDefWrapPos);
  AppendRow(TRowStr(), A);
  FUndoBuff.Reset();
  FCaret = {0, 0};
  UpdateCaret();
}

void TCustomAFEdit::Clear() {
  ResetDocument();
  FTopRow = 0;
  TLineAttr A;
  InitLineAttr(false, 0, A, FDefWrapPos);
  AppendRow(TRowStr(), A);
  FUndoBuff.Reset();
  FireUndoChange(false, false);
  FSel.Reset();
  FMaxRowLen = 0;
  SetScrollBars(FScrollBars);
  RepaintDirtyRows();
  FCaret = {0, 0};
  UpdateCaret();
}

// ---- plain property setters ----

void TCustomAFEdit::SetColor(TColor Value) {
  // Rows painted in the old background follow the new one.
  const int n = RowCount();
  for (int i = 0; i < n; ++i) {
    if (FLineAttrs.PeekAttr(i).BackColor == FColor) {
      TLineAttr& a = FLineAttrs.GetAttr(i);
      a.BackColor = Value;
      a.Dirty = true;
    }
  }
  FColor = Value;
  Paint();
}

void TCustomAFEdit::SetDependenceChar(std::string Value) {
  FDependenceChar = std::move(Value);
  FDependenceSet.assign(65536, false);
  // Only whole characters count: the list is walked character by character.
  const std::string& s = FDependenceChar;
  for (size_t i = 0; i < s.size(); ++i) {
    if (!IsLeadByte(static_cast<unsigned char>(s[i])) || i + 1 == s.size()) continue;
    FDependenceSet[static_cast<size_t>(static_cast<unsigned char>(s[i])) << 8 | static_cast<unsigned char>(s[i + 1])] =
        true;
    ++i;
  }
}

void TCustomAFEdit::SetDefWrapPos(int Value) {
  const int n = RowCount();
  for (int i = 0; i < n; ++i) {
    if (FLineAttrs.PeekAttr(i).WrapPos == FDefWrapPos)
      FLineAttrs.GetAttr(i).WrapPos = static_cast<int16_t>(Value);
  }
  FDefWrapPos = Value;
}

void TCustomAFEdit::SetColLeftMgn(TColor Value) {
  FColLeftMgn = Value;
  Paint();
}

void TCustomAFEdit::SetColRowNo(TColor Value) {
  FColRowNo = Value;
  Paint();
}

void TCustomAFEdit::SetViewOpt(TViewOptions Value) {
  FViewOpt = Value;
  if (FBatchEdit) return;
  FCanvas.BrushColor = FColor;
  FCanvas.FillRect(FTextRect);
  Paint();
}

void TCustomAFEdit::SetKeywords(std::vector<std::string> Value) {
  std::stable_sort(Value.begin(), Value.end(), [](const std::string& A, const std::string& B) { return KeywordLess(A, B); });
  FKeywords = std::move(Value);
  RebuildWordChars(FKeywords);
}

QByteArrayList TAFEdit::KeywordsBytes() const {
  QByteArrayList out;
  for (const std::string& k : Keywords()) out.push_back(Bytes(k));
  return out;
}

void TAFEdit::SetKeywordsBytes(const QByteArrayList& V) {
  std::vector<std::string> k;
  for (const QByteArray& b : V) k.push_back(b.toStdString());
  SetKeywords(std::move(k));
}
