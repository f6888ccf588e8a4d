// Faults in the engine's file operations (QTMLTest_FailIO). The file-system
// seam asks before each operation on a path whether it is to fail.
#pragma once

#include <string>

#include "MacTypes.h"

namespace qtml {

enum class IOOperation { kOpen, kRead, kWrite, kSync, kTruncate, kRename, kRemove, kStat };

struct IOFault {
  OSErr error = noErr;   // noErr: the operation works
  bool partial = false;  // a read that hands over part of its bytes before failing
};

// The fault armed for this operation on `path` (or on `otherPath`, the
// second path of a rename), consuming it.
IOFault TakeIOFault(IOOperation operation, const std::string& path,
                    const std::string& otherPath = std::string()) noexcept;

// Whether a pattern of QTMLTest_FailIO matches a native path: a pattern
// with * or ? is a glob over the whole path (* any run of characters,
// slashes included; ? one character); any other pattern matches the
// paths it is part of; an empty pattern matches every path.
bool IOPathMatches(const char* pattern, const char* path) noexcept;

void ClearIOFaults() noexcept;

// How many faults armed for the n-th operation of their kind still wait
// for it; standing ones (n = 0) are not counted. A test arming one fault
// tells from it whether its run got as far as the operation.
long PendingIOFaults() noexcept;

}  // namespace qtml
