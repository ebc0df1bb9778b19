// The control's document: its rows and records, history and edit groups,
// block attributes, the row clipboard, and what it knows of its file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AFEdit/document/AttrList.h"
#include "AFEdit/document/LineIndex.h"
#include "AFEdit/document/RowList.h"
#include "AFEdit/document/UndoBuff.h"
#include "AFEdit/layout/ColAttrList.h"
#include "AFEdit/platform/PosixFile.h"

struct TDocumentState {
  TRowList FLines;
  TLineIndex FLineIndex;  // logical lines of FLines, refreshed as it changes
  TAttrList FLineAttrs;
  TUndoBuff FUndoBuff{100};
  int32_t FEditGroup = 0;
  TBlkAttrList FBlkAttrs;
  TAttrList FRowClipAttrs;
  std::vector<std::string> FRowClipText;
  int FMaxRowLen = 0;
  bool FBatchEdit = false;
  bool FLoading = false;
  int64_t FZeroByteAt = -1;
  TFileIdentity FFileIdentity;
};
