// TTextDiff: how two byte sequences differ, kept small enough to hold many of
// them.  Each side is a list of pieces (the texts of a run of rows) read as
// one sequence.  The difference is a list of steps, each some bytes only the
// old side has, some only the new side has, then bytes both share; only the
// unshared bytes are stored.  Either side is rebuilt exactly from the other.
//
// Finding the shared bytes is a heuristic tuned for the changes an edit and
// the re-wrap after it make (a few bytes inserted, deleted or replaced, a
// tail moved elsewhere): the common start and end, then anchors searched in
// a window.  What it misses is stored as unshared bytes, so rebuilding is
// always exact; only the size depends on the search.
//
// Invariants (Check()): the steps' old bytes add up to the old size and
// their new bytes to the new size; the stored unshared bytes are the steps'
// gaps.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TPieceList {
public:
  virtual ~TPieceList() = default;
  virtual size_t Count() const = 0;
  virtual std::string_view Piece(size_t I) const = 0;
};

// Pieces held as views.
class TViewPieces : public TPieceList {
public:
  explicit TViewPieces(std::vector<std::string_view> P) : FP(std::move(P)) {}
  size_t Count() const override { return FP.size(); }
  std::string_view Piece(size_t I) const override { return FP[I]; }

private:
  std::vector<std::string_view> FP;
};

class TTextDiff {
public:
  // Search limits: the bytes an anchor compares, the window it is looked for
  // in, and the anchors tried before the rest is stored as it stands.
  static constexpr size_t kAnchor = 32;
  static constexpr size_t kWindow = 4 << 10;
  static constexpr int kMaxSteps = 16;

  // Finds the difference.  Gives up (false, the diff left empty) as soon as
  // the unshared bytes exceed Budget.
  bool Make(const TPieceList& Old, const TPieceList& New, size_t Budget);
  // Writes the other side's bytes (Size(ToOld) of them) to Out, given one
  // side.  From must be the side the diff was made with; a shorter or longer
  // one is read only as far as it goes, so a mismatch gives wrong bytes but
  // never reads or writes out of bounds.
  void Rebuild(const TPieceList& From, bool ToOld, char* Out) const;
  size_t Size(bool Old) const noexcept { return Old ? FOldSize : FNewSize; }
  // Heap bytes the diff holds.
  size_t HeldBytes() const noexcept;
  std::string Check() const;

private:
  struct TStep {
    size_t OldGap = 0, NewGap = 0, Match = 0;
  };
  std::vector<TStep> FSteps;
  std::string FOldLit, FNewLit;  // the gaps' bytes, in order
  size_t FOldSize = 0, FNewSize = 0;
};
