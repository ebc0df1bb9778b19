// TAttrList: the row records, entry i describing row i.
//
// Records live in blocks (see TBlockIndex), not in heap objects of their own.
// A block filled by appending equal records (as loading does) stays a run: one
// record and a count, expanded into separate records only when one of them is
// handed out or changed.  Marking every record of a block dirty is the block's
// flag, applied when the block is next read or changed, so marking all rows
// below an edit is one memset over the blocks' flags.
//
// GetAttr hands out the live record; the reference stays valid until the next
// insertion or deletion in the list.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "AFEdit/document/BlockIndex.h"
#include "AFEdit/document/LineAttr.h"
#include "AFEdit/layout/ColAttrList.h"

class TAttrList {
public:
  TAttrList() = default;
  TAttrList(const TAttrList&) = delete;
  TAttrList& operator=(const TAttrList&) = delete;

  // The record of entry Index, growing the list and creating a zeroed record
  // where there is none.
  TLineAttr& GetAttr(int Index);
  // Copies the fields of Rec over GetAttr(Index).  The record is replaced
  // wholesale, so a column list the entry held is freed (it is rebuilt for
  // the row's text on demand).
  void SetAttr(int Index, const TLineAttr& Rec);
  int Count() const noexcept { return static_cast<int>(FIndex.size()); }
  void SetCount(int N);  // grows with empty entries; shrinking drops the tail
  int AddAttr(const TLineAttr& Rec);
  void InsertAttr(int Index, const TLineAttr& Rec);
  void DeleteAttr(int Index);
  void Clear() noexcept { FIndex.Clear(); }
  // Writes every entry that holds a record as its 20-byte little-endian form.
  void WriteAttrs(std::ostream& Stream) const;
  // The same, handing the bytes to Put a block at a time.
  void WriteAttrs(const std::function<void(const char*, size_t)>& Put) const;
  // The records WriteAttrs writes, in order, as F(record, count): a run of
  // equal records comes in one call, so a copy of the list costs little
  // for a document loaded from a text file.
  void ForEachRecord(const std::function<void(const TLineAttr&, size_t)>& F) const;
  // Whether F holds for the column list of some entry.
  bool AnyColList(const std::function<bool(const TColAttrList&)>& F) const;

  // True when the entry holds a record (without creating one).
  bool HasAttr(int Index) const;
  // A copy of the record of Index; a zeroed record when there is none.  Does
  // not grow the list.
  TLineAttr PeekAttr(int Index) const;
  // Sets Dirty on every record in [From, To).
  void MarkDirty(int From, int To);

  // The column list of an entry, owned by the list: nullptr when it has none.
  TColAttrList* ColAttrs(int Index);
  // The column list of an entry, created with Count empty entries (and the
  // entry's record with it) when there is none.
  TColAttrList& EnsureColAttrs(int Index, int Count);
  // Frees the column list of the entry, if any.
  void FreeColAttrs(int Index);

  // Checks the invariants stated below; returns what is wrong, or "".
  std::string Check() const;

  // A block is either a run (RunCount equal records, nothing else) or holds
  // separate entries: Items, Present and Cols are then equally long, an
  // entry without a record has no column list, and a run never exceeds
  // kMaxRun records.
  struct TBlock {
    std::vector<TLineAttr> Items;   // separate records
    std::vector<uint8_t> Present;   // entry holds a record
    std::vector<std::unique_ptr<TColAttrList>> Cols;  // the entries' column lists
    uint32_t RunCount = 0;          // > 0: RunCount copies of Run, Items empty
    TLineAttr Run;

    size_t size() const noexcept { return RunCount ? RunCount : Items.size(); }
    void Expand();
    void ApplyFlag(uint8_t);  // the flag means: every record is Dirty
    void Insert(size_t off, const std::pair<TLineAttr, bool>& e);
    void Erase(size_t off);
    std::unique_ptr<TBlock> SplitOff(size_t off);
    // The record as seen, with a pending dirty flag applied.
    TLineAttr Get(size_t off, bool pendingDirty) const;
    bool Has(size_t off) const { return RunCount ? true : Present[off] != 0; }
    std::string Check() const;
  };

private:
  TBlock& LiveBlock(int Index, size_t& Off);  // expands the block; Index < Count()
  TLineAttr& Live(int Index);

  TBlockIndex<TBlock> FIndex;
};

// Writes the 20-byte on-disk form of one record.
void WriteLineAttr(std::ostream& Stream, const TLineAttr& A);
// Encodes the 20-byte on-disk form into out[0..19].
void EncodeLineAttr(const TLineAttr& A, unsigned char* out);
TLineAttr DecodeLineAttr(const unsigned char* in);
