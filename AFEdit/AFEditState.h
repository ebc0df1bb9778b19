// TAFEditState: the editor control's state, every field of TCustomAFEdit,
// kept apart from the class's interface so each can be read on its own.  The
// fields are grouped by the part of the control that owns them, each group
// a struct in its folder; the control derives from all of them, so its
// members use every field by name.  The published properties stay here.
#pragma once

#include <bitset>
#include <string>
#include <vector>

#include "AFEdit/AFEditOptions.h"
#include "AFEdit/document/DocumentState.h"
#include "AFEdit/input/MouseState.h"
#include "AFEdit/layout/ViewState.h"
#include "AFEdit/layout/WrapState.h"
#include "AFEdit/platform/Types.h"
#include "AFEdit/render/RenderState.h"

class TAFEditState : protected TDocumentState,
                     protected TViewState,
                     protected TRenderState,
                     protected TWrapState,
                     protected TMouseState {
protected:
  // Properties
  int FAccelRate = 2;
  int FCharPich = 0;
  int FRowPich = 2;
  int FLeftMgn = 0;
  int FTopMgn = 0;
  std::string FRowDspFmt;
  TColor FColColumnIndi = clBtnFace;
  TColor FColColumnNo = clWindowText;
  TColor FColCr = clMaroon;
  TColor FColLeftMgn = clWindow;
  TColor FColRowNo = clWindowText;
  TColor FColSelBrush = clHighlight;
  TColor FColor = clWindow;
  int FDefWrapPos = 60;
  std::string FDependenceChar;
  // The two-byte characters of FDependenceChar, by lead << 8 | trail.
  std::vector<bool> FDependenceSet = std::vector<bool>(65536);
  std::vector<std::string> FKeywords;
  int FTabSize = 4;
  TAFEditOptions FOptions{aoAutoFormat};
  TViewOptions FViewOpt;
  TScrollStyle FScrollBars = ssBoth;
};
