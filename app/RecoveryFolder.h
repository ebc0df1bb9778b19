// The folder of recovery copies as a place only its user controls: made
// private when missing, refused when another user owns it or may write in
// it, and entries in it opened without trusting what lies at a name.  No
// window is involved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AFEdit/platform/PosixFile.h"

// Makes sure the state folder (Folder's parent) and Folder exist as
// folders of this user that no other user may write, creating missing ones
// with mode 0700.  Returns "" when they may hold copies, else what is
// wrong with which folder, in Japanese.
std::string PrepareRecoveryFolder(const std::string& Folder);

// Why a folder that exists cannot hold copies ("" when it can): not a
// folder, another user's, or writable by its group or others.
std::string FolderFault(const std::string& Folder);

enum class TOpenOwn { Opened, Missing, Refused };

// Opens File for reading when it is a regular file of this user: a link is
// not followed, and a FIFO or device is opened without waiting and then
// refused.  Size receives the file's size.  Throws EFileError for other
// failures of the system.
TOpenOwn OpenOwnRegular(const std::string& File, TFd& Fd, uint64_t& Size);

// Creates File anew for writing, private to this user (mode 0600): fails
// with EFileError when anything (a file, a link) is already there.
TFd CreatePrivate(const std::string& File);

// A regular file of the folder, and when it was last changed.
struct TFolderEntry {
  std::string Name;
  int64_t MTimeNs = 0;
};
// The regular files in Folder whose names start with Prefix and end with
// Suffix, newest first; nothing is opened and no link followed, so no
// entry can keep the caller waiting.
std::vector<TFolderEntry> ListFolder(const std::string& Folder, const std::string& Prefix,
                                     const std::string& Suffix);
