// EFileError: the one exception the control raises when a document cannot be
// read or written.  what() is a complete Japanese message meant for the
// user; the path, the failed step and the system's error number stay
// available for callers that want to react to them.
#pragma once

#include <stdexcept>
#include <string>

class EFileError : public std::runtime_error {
public:
  enum TStep {
    fsOpen,    // the file could not be opened for reading
    fsRead,    // reading failed part-way
    fsSave,    // creating, writing, syncing or replacing the file failed
    fsFormat,  // the bytes are not a binary-style document
  };

  // SysError is an errno value; 0 means Detail describes the problem
  // instead (used for format faults and for streams, which carry no errno).
  // Path may be empty when the data came from a stream.
  EFileError(TStep Step, std::string Path, int SysError, const std::string& Detail = {});

  TStep Step() const noexcept { return FStep; }
  const std::string& Path() const noexcept { return FPath; }
  int SysError() const noexcept { return FSysError; }
  // The reason alone: the system's message for SysError, or Detail.
  const std::string& Reason() const noexcept { return FReason; }

private:
  TStep FStep;
  std::string FPath;
  int FSysError;
  std::string FReason;
};
