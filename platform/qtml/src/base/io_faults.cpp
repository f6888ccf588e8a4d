// Faults in file operations, armed by QTMLTest_FailIO and taken by the
// file-system seam.
#include "base/io_faults.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "QTMLTestControls.h"
#include "base/api_call.h"

namespace qtml {
namespace {

struct ArmedIOFault {
  std::string pattern;
  bool anyOperation = false;  // "*"
  bool shortRead = false;     // "shortread": reads, cut short
  IOOperation operation = IOOperation::kOpen;
  bool standing = false;  // every matching operation fails, until cleared
  long remaining = 0;     // else: matching operations still to come before this one fails
  OSErr error = noErr;
};

struct IOFaults {
  std::mutex lock;
  std::vector<ArmedIOFault> armed;
};

IOFaults& Faults() {
  static IOFaults faults;
  return faults;
}

// The fault an operation name arms; false for a name that is none.
bool ParseOperation(const char* name, ArmedIOFault* fault) {
  static const struct {
    const char* name;
    IOOperation operation;
  } kNames[] = {{"open", IOOperation::kOpen},         {"read", IOOperation::kRead},
                {"write", IOOperation::kWrite},       {"sync", IOOperation::kSync},
                {"truncate", IOOperation::kTruncate}, {"rename", IOOperation::kRename},
                {"remove", IOOperation::kRemove},     {"stat", IOOperation::kStat}};
  if (std::strcmp(name, "*") == 0) {
    fault->anyOperation = true;
    return true;
  }
  if (std::strcmp(name, "shortread") == 0) {
    fault->shortRead = true;
    fault->operation = IOOperation::kRead;
    return true;
  }
  for (const auto& entry : kNames) {
    if (std::strcmp(name, entry.name) == 0) {
      fault->operation = entry.operation;
      return true;
    }
  }
  return false;
}

bool Glob(const char* pattern, const char* text) {
  const char* star = nullptr;  // the last * seen, and where its run of text ends so far
  const char* resume = nullptr;
  while (*text != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern == '?' || *pattern == *text) {
      ++pattern;
      ++text;
    } else if (star != nullptr) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

bool Applies(const ArmedIOFault& fault, IOOperation operation, const std::string& path,
             const std::string& otherPath) {
  if (!fault.anyOperation && fault.operation != operation) return false;
  if (IOPathMatches(fault.pattern.c_str(), path.c_str())) return true;
  return !otherPath.empty() && IOPathMatches(fault.pattern.c_str(), otherPath.c_str());
}

}  // namespace

bool IOPathMatches(const char* pattern, const char* path) noexcept {
  if (pattern == nullptr || *pattern == '\0') return true;
  if (path == nullptr) return false;
  if (std::strpbrk(pattern, "*?") != nullptr) return Glob(pattern, path);
  return std::strstr(path, pattern) != nullptr;
}

IOFault TakeIOFault(IOOperation operation, const std::string& path,
                    const std::string& otherPath) noexcept {
  IOFaults& faults = Faults();
  std::lock_guard<std::mutex> hold(faults.lock);
  IOFault taken;
  for (auto it = faults.armed.begin(); it != faults.armed.end();) {
    if (!Applies(*it, operation, path, otherPath)) {
      ++it;
      continue;
    }
    if (it->standing) {
      if (taken.error == noErr) taken = {it->error, it->shortRead};
      ++it;
      continue;
    }
    if (--it->remaining > 0) {
      ++it;
      continue;
    }
    if (taken.error == noErr) taken = {it->error, it->shortRead};
    it = faults.armed.erase(it);
  }
  return taken;
}

void ClearIOFaults() noexcept {
  IOFaults& faults = Faults();
  std::lock_guard<std::mutex> hold(faults.lock);
  faults.armed.clear();
}

long PendingIOFaults() noexcept {
  IOFaults& faults = Faults();
  std::lock_guard<std::mutex> hold(faults.lock);
  return static_cast<long>(
      std::count_if(faults.armed.begin(), faults.armed.end(),
                    [](const ArmedIOFault& fault) { return !fault.standing; }));
}

}  // namespace qtml

extern "C" {

void QTMLTest_FailIO(const char* pathPattern, const char* operation, long nth, OSErr error) try {
  qtml::ArmedIOFault fault;
  if (operation == nullptr || nth < 0 || error == noErr) return;
  if (!qtml::ParseOperation(operation, &fault)) return;
  fault.pattern = pathPattern != nullptr ? pathPattern : "";
  fault.standing = nth == 0;
  fault.remaining = nth;
  fault.error = error;
  qtml::IOFaults& faults = qtml::Faults();
  std::lock_guard<std::mutex> hold(faults.lock);
  faults.armed.push_back(std::move(fault));
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
