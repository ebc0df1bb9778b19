// The journal beside a recovery copy: the changes made since the copy was
// written, appended every second or two, so that continuous typing loses
// at most that much on a crash while a full copy of a big document is
// written only now and then.
//
// A journal is a 48-byte header and entries:
//   header  "HOTARUJL", version (u32), the 32 header bytes of the copy it
//           continues, check (u32: CRC-32 of the 44 bytes before)
//   entry   magic "HJE1", payload length (u32), payload CRC-32 (u32),
//           frame check (u32: CRC-32 of the 12 bytes before), payload
//   payload first row (u32), rows removed (u32), rows put in their place
//           (u32, then each as u32 length and bytes), first record (u64),
//           records removed (u64), runs of records put in their place
//           (u32, then each as the 20 record bytes and a u64 count), caret
//           column and row (i32 each)
// Each entry applies to the document as the entries before it left it.
// An entry that does not check out (the tail a crash cut short) ends the
// journal there; a journal whose header names another copy is not used.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/RecoveryFile.h"

// One step of the document between two entries.
struct TJournalEntry {
  int32_t First = 0;    // rows before it stay
  int32_t Removed = 0;  // rows that go
  std::vector<std::string> Rows;  // rows that come in their place
  uint64_t RecordFirst = 0;
  uint64_t RecordsRemoved = 0;
  std::vector<TRecoverySnapshot::TRecords> Records;
  TPoint Caret{0, 0};
};

std::string EncodeJournalHeader(std::string_view CopyHeader);
std::string EncodeJournalEntry(const TJournalEntry& Entry);

// The runs of records that turn Old into New, written into Entry.
void DiffRecords(const std::vector<TRecoverySnapshot::TRecords>& Old,
                 const std::vector<TRecoverySnapshot::TRecords>& New, TJournalEntry& Entry);

// Applies the entries of Journal to Copy, which was read from the copy the
// journal continues.  Returns how many entries were applied; -1 (and Copy
// as it was) when the journal belongs to another copy or is no journal.
int ApplyJournal(std::string_view Journal, TRecoveryCopy& Copy);

// The journal's file beside the copy File.
std::string JournalNameOf(const std::string& CopyFile);
// Starts File anew for the copy whose header is CopyHeader: written under
// the name Temp beside it and renamed, so File is either journal whole.
void CreateJournal(const std::string& File, const std::string& Temp, std::string_view CopyHeader);
// Appends an entry's bytes to the journal File and flushes them to disk.
void AppendJournal(const std::string& File, std::string_view Entry);

// Reads the copy File and the journal beside it (when it continues that
// copy) into Out, as ReadRecoveryCopy does.
TCopyState ReadRecovery(const std::string& File, TRecoveryCopy& Out);
