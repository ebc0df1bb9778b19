// Construction defaults, published properties by name with their stream
// defaults, and the control's lifecycle.
#include <gtest/gtest.h>

#include <QWidget>

#include "AFEdit/AFEdit.h"
#include "AFEdit/layout/JpnRules.h"
#include "AFEdit/platform/FormStream.h"

namespace {

TEST(Properties, ConstructorDefaults) {
  QWidget owner;
  TAFEdit e(&owner);
  EXPECT_EQ(e.parentWidget(), &owner);
  EXPECT_EQ(e.RowCount(), 0);  // rows come with Loaded, Clear or loading
  EXPECT_EQ(e.AccelRate(), 2);
  EXPECT_EQ(e.BanEnd(), std::string(kDefaultBanEnd));
  EXPECT_EQ(e.BanHead(), std::string(kDefaultBanHead));
  EXPECT_EQ(e.CharPich(), 0);
  EXPECT_EQ(e.ColColumnIndi(), clBtnFace);
  EXPECT_EQ(e.ColColumnNo(), clWindowText);
  EXPECT_EQ(e.ColCr(), clMaroon);
  EXPECT_EQ(e.ColDependence(), clFuchsia);
  EXPECT_EQ(e.ColKeyWord(), clWindowText);
  EXPECT_EQ(e.ColLeftMgn(), clWindow);
  EXPECT_EQ(e.ColRowNo(), clWindowText);
  EXPECT_EQ(e.ColSelBrush(), clHighlight);
  EXPECT_EQ(e.ColSelText(), clHighlightText);
  EXPECT_EQ(e.Color(), clWindow);
  EXPECT_EQ(e.DefWrapPos(), 60);
  EXPECT_EQ(e.DependenceChar(), std::string(kDefaultDependenceChar));
  EXPECT_FALSE(e.Edited());
  EXPECT_TRUE(e.Keywords().empty());
  EXPECT_TRUE(e.KeywordStyle().empty());
  EXPECT_EQ(e.LeftMgn(), static_cast<int>(6 * e.CellWidth()));
  EXPECT_EQ(e.Options(), TAFEditOptions{aoAutoFormat});
  EXPECT_EQ(e.RowDspFmt(), "%5d:");
  EXPECT_EQ(e.RowPich(), 2);
  EXPECT_EQ(e.ScrollBars(), ssBoth);
  EXPECT_EQ(e.TabSize(), 4);
  EXPECT_EQ(e.TopMgn(), 0);
  EXPECT_EQ(e.UndoMax(), -1);
  EXPECT_TRUE(e.ViewOpt().contains(voRowNum));
  EXPECT_FALSE(e.ViewOpt().contains(voFoldMark));
  EXPECT_EQ(e.ViewOpt().ToBits(), 0x3FFu);
  EXPECT_EQ(e.WrapLeadBytes(), 10);
  EXPECT_EQ(e.WrapTrailBytes(), 4);
  EXPECT_EQ(e.Font().Name, QStringLiteral("ＭＳ ゴシック"));
  EXPECT_EQ(e.Font().Color, clWindowText);
  EXPECT_EQ(e.width(), 200);
  EXPECT_EQ(e.height(), 100);
  EXPECT_EQ(e.Caret(), (TPoint{0, 0}));
  EXPECT_EQ(e.TopRow(), 0);
  EXPECT_EQ(e.TextRect().Left, e.LeftMgn());
  EXPECT_FALSE(e.Sel().HasRowSel());
  EXPECT_FALSE(e.Sel().HasCharSel());
  EXPECT_EQ(e.FFoldMark, "\x81\xA9");
  EXPECT_EQ(e.FEofMark, "[EOF]");
  EXPECT_EQ(ProgramCursor(crRevCursor).shape(), Qt::BitmapCursor);
}

TEST(Properties, ReadAndWrittenByName) {
  TAFEdit e;
  EXPECT_TRUE(e.setProperty("TabSize", 8));
  EXPECT_EQ(e.TabSize(), 8);
  EXPECT_TRUE(e.setProperty("Options", static_cast<int>(TAFEditOptions{aoWordWrap, aoFreeCaret}.ToBits())));
  EXPECT_TRUE(e.Options().contains(aoWordWrap));
  EXPECT_TRUE(e.setProperty("BanEnd", QByteArray("(")));
  EXPECT_EQ(e.BanEnd(), "(");
  EXPECT_TRUE(e.setProperty("Keywords", QVariant::fromValue(QByteArrayList{"zeta", "alpha"})));
  EXPECT_EQ(e.Keywords().front(), "alpha");  // kept sorted
  EXPECT_TRUE(e.setProperty("Text", QByteArray("ab\r\ncd")));
  EXPECT_EQ(e.RowCount(), 2);
  EXPECT_EQ(e.property("Text").toByteArray(), QByteArray("ab\r\ncd"));
  EXPECT_FALSE(e.property("Edited").toBool());
}

TEST(Properties, StreamDefaultsDecideWhatAFormStores) {
  TAFEdit e;
  QVariantMap stored = WriteForm(e);
  // ColLeftMgn starts at clWindow, not at its stream default clBtnFace.
  EXPECT_TRUE(stored.contains("ColLeftMgn"));
  EXPECT_FALSE(stored.contains("TabSize"));
  EXPECT_FALSE(stored.contains("Edited"));
  EXPECT_TRUE(stored.contains("DefWrapPos"));  // no stream default: always stored
  e.SetColLeftMgn(clBtnFace);
  stored = WriteForm(e);
  EXPECT_FALSE(stored.contains("ColLeftMgn"));
  // Read back into a fresh control it keeps the constructor's value.
  TAFEdit f;
  ReadForm(f, stored);
  EXPECT_EQ(f.ColLeftMgn(), clWindow);
}

TEST(Lifecycle, LoadedRunsTheFontChangeItWasHolding) {
  TAFEdit e;
  e.BeginFormLoad();
  TFont f = e.Font();
  f.Height = -24;
  e.SetFont(f);
  const int before = e.CharHeight();
  e.Loaded();
  EXPECT_GT(e.CharHeight(), before);
  EXPECT_EQ(e.RowCount(), 1);
  EXPECT_FALSE(e.Edited());
}

TEST(Lifecycle, ClearKeepsProperties) {
  TAFEdit e;
  e.Loaded();
  e.SetDefWrapPos(40);
  e.SetRowText(0, "abc", true);
  const int group = e.EditGroup();
  e.Clear();
  EXPECT_EQ(e.DefWrapPos(), 40);
  EXPECT_EQ(e.EditGroup(), group);
  EXPECT_EQ(e.LineAttrs().GetAttr(0).WrapPos, 40);
  EXPECT_EQ(e.MaxRowLen(), 0);
}

}  // namespace
