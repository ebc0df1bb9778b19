// Document helpers shared by the test binaries: rows in and out of a
// control, byte strings from numbers, and the store's invariant check.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "common/Bytes.h"

namespace TestUtil {

using Rows = std::vector<std::string>;

inline Rows RowsOf(const TCustomAFEdit& e) {
  Rows v;
  for (int i = 0; i < e.RowCount(); ++i) v.push_back(e.RowText(i).str());
  return v;
}

// The rows joined as stored (wrapped rows back to back, CRs kept).
inline std::string Joined(const TCustomAFEdit& e) {
  std::string s;
  for (int i = 0; i < e.RowCount(); ++i) s += e.RowText(i).view();
  return s;
}

// Makes the control hold exactly these rows (each with a fresh record),
// with nothing to undo.  Rows the store forbids fail the test instead: no
// rows, a CR before a row's last byte, or a CR ending the last row.
inline void SetRows(TCustomAFEdit& e, const Rows& rows) {
  bool sound = !rows.empty() && rows.back().find('\r') == std::string::npos;
  for (const std::string& r : rows) {
    const size_t cr = r.find('\r');
    if (cr != std::string::npos && cr + 1 != r.size()) sound = false;
  }
  if (!sound) {
    ADD_FAILURE() << "a document the store forbids";
    return;
  }
  e.Clear();
  e.SetRowText(0, rows[0], true);
  for (size_t i = 1; i < rows.size(); ++i) e.AppendLine(rows[i]);
  e.UndoBuff().StartNewHistory();
}

// Sets the wrap column and indent of every row.
inline void SetLayout(TCustomAFEdit& e, int WrapPos, int Indent = 0) {
  for (int r = 0; r < e.RowCount(); ++r) {
    TLineAttr& a = e.LineAttrs().GetAttr(r);
    a.WrapPos = static_cast<int16_t>(WrapPos);
    a.Indent = static_cast<int16_t>(Indent);
  }
}

}  // namespace TestUtil
