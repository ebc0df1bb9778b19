// TAFEdit: the control with its properties published for a form designer.
// Include AFEdit/AFEdit.h.
#pragma once

#include "AFEdit/AFEdit.h"

// Publishes the control's own properties by name, as a form designer reads
// and writes them.  A property's stream default, where it has one, stands
// beside it as class info "StreamDefault:<name>" (a colour name or a
// number): a value equal to it is not written to a form (see
// platform/FormStream.h); properties without one are always written.
// Colours and sets travel as their integer values, strings as their CP932
// bytes.
class TAFEdit : public TCustomAFEdit {
  Q_OBJECT
  Q_PROPERTY(int AccelRate READ AccelRate WRITE SetAccelRate)
  Q_PROPERTY(QByteArray BanEnd READ BanEndBytes WRITE SetBanEndBytes)
  Q_PROPERTY(QByteArray BanHead READ BanHeadBytes WRITE SetBanHeadBytes)
  Q_PROPERTY(int CharPich READ CharPich WRITE SetCharPich)
  Q_CLASSINFO("StreamDefault:CharPich", "0")
  Q_PROPERTY(int ColColumnIndi READ ColColumnIndi WRITE SetColColumnIndi)
  Q_CLASSINFO("StreamDefault:ColColumnIndi", "clBtnFace")
  Q_PROPERTY(int ColColumnNo READ ColColumnNo WRITE SetColColumnNo)
  Q_CLASSINFO("StreamDefault:ColColumnNo", "clWindowText")
  Q_PROPERTY(int ColCr READ ColCr WRITE SetColCr)
  Q_PROPERTY(int ColDependence READ ColDependence WRITE SetColDependence)
  Q_CLASSINFO("StreamDefault:ColDependence", "clFuchsia")
  Q_PROPERTY(int ColKeyWord READ ColKeyWord WRITE SetColKeyWord)
  Q_CLASSINFO("StreamDefault:ColKeyWord", "clWindowText")
  Q_PROPERTY(int ColLeftMgn READ ColLeftMgn WRITE SetColLeftMgn)
  Q_CLASSINFO("StreamDefault:ColLeftMgn", "clBtnFace")
  Q_PROPERTY(int ColRowNo READ ColRowNo WRITE SetColRowNo)
  Q_CLASSINFO("StreamDefault:ColRowNo", "clWindowText")
  Q_PROPERTY(int ColSelBrush READ ColSelBrush WRITE SetColSelBrush)
  Q_CLASSINFO("StreamDefault:ColSelBrush", "clHighlight")
  Q_PROPERTY(int ColSelText READ ColSelText WRITE SetColSelText)
  Q_CLASSINFO("StreamDefault:ColSelText", "clHighlightText")
  Q_PROPERTY(int Color READ Color WRITE SetColor)
  Q_PROPERTY(int DefWrapPos READ DefWrapPos WRITE SetDefWrapPos)
  Q_PROPERTY(QByteArray DependenceChar READ DependenceCharBytes WRITE SetDependenceCharBytes)
  Q_PROPERTY(bool Edited READ Edited STORED false)
  Q_PROPERTY(QByteArrayList Keywords READ KeywordsBytes WRITE SetKeywordsBytes)
  Q_PROPERTY(int KeywordStyle READ KeywordStyleBits WRITE SetKeywordStyleBits)
  Q_PROPERTY(int LeftMgn READ LeftMgn WRITE SetLeftMgn)
  Q_PROPERTY(int Options READ OptionsBits WRITE SetOptionsBits)
  Q_PROPERTY(QByteArray RowDspFmt READ RowDspFmtBytes WRITE SetRowDspFmtBytes)
  Q_PROPERTY(int RowPich READ RowPich WRITE SetRowPich)
  Q_CLASSINFO("StreamDefault:RowPich", "2")
  Q_PROPERTY(int ScrollBars READ ScrollBarsValue WRITE SetScrollBarsValue)
  Q_CLASSINFO("StreamDefault:ScrollBars", "ssBoth")
  Q_PROPERTY(int TabSize READ TabSize WRITE SetTabSize)
  Q_CLASSINFO("StreamDefault:TabSize", "4")
  Q_PROPERTY(QByteArray Text READ TextBytes WRITE SetTextBytes)
  Q_PROPERTY(int TopMgn READ TopMgn WRITE SetTopMgn)
  Q_PROPERTY(int UndoMax READ UndoMax WRITE SetUndoMax)
  Q_PROPERTY(int ViewOpt READ ViewOptBits WRITE SetViewOptBits)
  Q_PROPERTY(int WrapLeadBytes READ WrapLeadBytes WRITE SetWrapLeadBytes)
  Q_PROPERTY(int WrapTrailBytes READ WrapTrailBytes WRITE SetWrapTrailBytes)

public:
  explicit TAFEdit(QWidget* Owner = nullptr) : TCustomAFEdit(Owner) {}

  QByteArray BanEndBytes() const { return Bytes(BanEnd()); }
  void SetBanEndBytes(const QByteArray& V) { SetBanEnd(V.toStdString()); }
  QByteArray BanHeadBytes() const { return Bytes(BanHead()); }
  void SetBanHeadBytes(const QByteArray& V) { SetBanHead(V.toStdString()); }
  QByteArray DependenceCharBytes() const { return Bytes(DependenceChar()); }
  void SetDependenceCharBytes(const QByteArray& V) { SetDependenceChar(V.toStdString()); }
  QByteArray RowDspFmtBytes() const { return Bytes(RowDspFmt()); }
  void SetRowDspFmtBytes(const QByteArray& V) { SetRowDspFmt(V.toStdString()); }
  QByteArray TextBytes() const { return Bytes(Text()); }
  void SetTextBytes(const QByteArray& V) { SetText(std::string_view(V.constData(), static_cast<size_t>(V.size()))); }
  QByteArrayList KeywordsBytes() const;
  void SetKeywordsBytes(const QByteArrayList& V);
  int KeywordStyleBits() const noexcept { return KeywordStyle().ToBits(); }
  void SetKeywordStyleBits(int V) { SetKeywordStyle(TFontStyles::FromBits(static_cast<uint8_t>(V))); }
  int OptionsBits() const noexcept { return static_cast<int>(Options().ToBits()); }
  void SetOptionsBits(int V) { SetOptions(TAFEditOptions::FromBits(static_cast<uint32_t>(V))); }
  int ViewOptBits() const noexcept { return static_cast<int>(ViewOpt().ToBits()); }
  void SetViewOptBits(int V) { SetViewOpt(TViewOptions::FromBits(static_cast<uint32_t>(V))); }
  int ScrollBarsValue() const noexcept { return ScrollBars(); }
  void SetScrollBarsValue(int V) { SetScrollBars(static_cast<TScrollStyle>(V)); }

private:
  static QByteArray Bytes(std::string_view s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
  }
};
