// The engine's call trace and fault injection (QTMLTestControls.h), and the
// trace formatting that api_call.h declares.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "QTMLTestControls.h"
#include "base/api_call.h"
#include "base/dialog_answers.h"
#include "base/io_faults.h"
#include "files/finder_info.h"
#include "memory/memory.h"

namespace qtml {
namespace {

struct PendingFault {
  std::string name;
  long remaining;  // calls of `name` still to come before this one fails; 0: every call
  OSErr error;
};

// Everything the controls keep. Built on first use, so that faults armed
// from the environment while the library loads find it ready.
struct Controls {
  bool traceOn = false;
  std::string trace;
  std::string traceSnapshot;  // what QTMLTest_TraceText hands out
  std::vector<PendingFault> faults;
  long allocationsLeft = -1;  // -1: no allocation fault armed
  long allocationsRefused = 0;
  std::deque<std::optional<std::string>> dialogAnswers;  // nullopt: cancel
};

Controls& State() {
  static Controls controls;
  return controls;
}

void ArmFault(const char* name, long nth, OSErr error) noexcept {
  if (name == nullptr || nth < 0) return;
  try {
    State().faults.push_back({name, nth, error});
  } catch (...) {
  }
}

// QTML_FAIL=Name:error[:nth][,Name:error[:nth]...] arms faults before any
// client of the library runs, e.g. to make InitializeQTML fail while a
// plugin loads. A malformed entry is skipped.
void ArmFaultsFromEnvironment() noexcept {
  const char* text = std::getenv("QTML_FAIL");
  if (text == nullptr) return;
  try {
    std::string all(text);
    size_t start = 0;
    while (start <= all.size()) {
      size_t end = all.find(',', start);
      if (end == std::string::npos) end = all.size();
      std::string entry = all.substr(start, end - start);
      size_t colon = entry.find(':');
      if (colon != std::string::npos && colon > 0) {
        char* rest = nullptr;
        long error = std::strtol(entry.c_str() + colon + 1, &rest, 0);
        long nth = 1;
        if (rest != nullptr && *rest == ':') nth = std::strtol(rest + 1, &rest, 0);
        if (rest != entry.c_str() + colon + 1) {
          ArmFault(entry.substr(0, colon).c_str(), nth, static_cast<OSErr>(error));
        }
      }
      start = end + 1;
    }
  } catch (...) {
  }
}

// QTML_CALL_LOG=path keeps the name of every call made and writes them to
// path, one a line, when the process ends; with QTML_FAIL_ALLOCATIONS=n
// (the n-th allocation inside an engine call and every one after fail)
// the first line is "#refused COUNT". The fault sweep learns a script's
// calls and its allocations so.
struct CallLog {
  std::string path;
  std::vector<const char*> names;  // the calls' own constant names
};

CallLog*& TheCallLog() {
  static CallLog* log = nullptr;
  return log;
}

void WriteCallLog() {
  CallLog* log = TheCallLog();
  if (log == nullptr) return;
  FaultsSuspended writing;
  std::FILE* file = std::fopen(log->path.c_str(), "w");
  if (file == nullptr) return;
  if (std::getenv("QTML_FAIL_ALLOCATIONS") != nullptr) {
    std::fprintf(file, "#refused %ld\n", State().allocationsRefused);
  }
  for (const char* name : log->names) std::fprintf(file, "%s\n", name);
  std::fclose(file);
}

void StartCallLogFromEnvironment() noexcept {
  if (const char* count = std::getenv("QTML_FAIL_ALLOCATIONS")) {
    State().allocationsLeft = std::strtol(count, nullptr, 0);
  }
  const char* path = std::getenv("QTML_CALL_LOG");
  if (path == nullptr || *path == '\0') return;
  try {
    TheCallLog() = new CallLog{path, {}};
    std::atexit(WriteCallLog);
  } catch (...) {
  }
}

__attribute__((constructor)) void ArmFaultsAtLoad() {
  ArmFaultsFromEnvironment();
  StartCallLogFromEnvironment();
}

}  // namespace

void AppendArgument(std::string& out, const char* text) {
  if (text == nullptr) {
    out += "nil";
    return;
  }
  out += '"';
  out += text;
  out += '"';
}

void AppendArgument(std::string& out, const void* pointer) {
  if (pointer == nullptr) {
    out += "nil";
    return;
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(pointer));
  out += buffer;
}

void AppendArgument(std::string& out, FourCC code) {
  // A code that is not four printable characters (0 among them) shows as
  // its number, so the trace stays one line of text.
  for (int shift = 24; shift >= 0; shift -= 8) {
    unsigned char c = (code.code >> shift) & 0xFF;
    if (c < 0x20 || c > 0x7E) {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(code.code));
      out += code.code == 0 ? "0" : buffer;
      return;
    }
  }
  out += '\'';
  for (int shift = 24; shift >= 0; shift -= 8) {
    out += static_cast<char>((code.code >> shift) & 0xFF);
  }
  out += '\'';
}

void AppendArgument(std::string& out, PString text) {
  if (text.text == nullptr) {
    out += "nil";
    return;
  }
  out += '"';
  out.append(reinterpret_cast<const char*>(text.text + 1), text.text[0]);
  out += '"';
}

void AppendArgument(std::string& out, double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  out += buffer;
}

void AppendArgument(std::string& out, long long value) {
  out += std::to_string(value);
}

void AppendArgument(std::string& out, unsigned long long value) {
  out += std::to_string(value);
}

bool TraceOn() noexcept {
  return State().traceOn;
}

void TraceLine(const std::string& line) noexcept {
  try {
    Controls& controls = State();
    controls.trace += line;
    controls.trace += '\n';
  } catch (...) {
  }
}

OSErr TakeFault(const char* name) noexcept {
  if (CallLog* log = TheCallLog(); log != nullptr && name != nullptr) {
    FaultsSuspended logging;
    try {
      log->names.push_back(name);
    } catch (...) {
    }
  }
  std::vector<PendingFault>& faults = State().faults;
  if (faults.empty() || name == nullptr) return noErr;
  OSErr error = noErr;
  for (auto it = faults.begin(); it != faults.end();) {
    if (it->name == name && it->remaining == 0) {
      if (error == noErr) error = it->error;  // a standing fault stays armed
      ++it;
      continue;
    }
    if (it->name != name || --it->remaining > 0) {
      ++it;
      continue;
    }
    if (error == noErr) error = it->error;
    it = faults.erase(it);
  }
  return error;
}

bool TakeDialogAnswer(std::string* path) noexcept {
  auto& answers = State().dialogAnswers;
  if (answers.empty()) return false;
  std::optional<std::string> answer = std::move(answers.front());
  answers.pop_front();
  if (!answer) return false;
  try {
    *path = *answer;
  } catch (...) {
    return false;
  }
  return true;
}

namespace {
thread_local bool tFaultsSuspended = false;
}  // namespace

FaultsSuspended::FaultsSuspended() noexcept : was_(tFaultsSuspended) {
  tFaultsSuspended = true;
}
FaultsSuspended::~FaultsSuspended() {
  tFaultsSuspended = was_;
}

bool AllocationAllowed() noexcept {
  if (tFaultsSuspended) return true;
  long& left = State().allocationsLeft;
  if (left < 0) return true;
  if (left == 0) {
    ++State().allocationsRefused;
    return false;
  }
  --left;
  return true;
}

}  // namespace qtml

extern "C" {

void QTMLTest_SetTrace(Boolean on) try { qtml::State().traceOn = on != 0; } catch (...) {
  return qtml::Escaped<void>();
}

Boolean QTMLTest_TraceIsOn(void) try { return qtml::State().traceOn; } catch (...) {
  return qtml::Escaped<Boolean>();
}

const char* QTMLTest_TraceText(void) try {
  qtml::Controls& controls = qtml::State();
  try {
    controls.traceSnapshot = controls.trace;
  } catch (...) {
    return "";
  }
  return controls.traceSnapshot.c_str();
} catch (...) {
  return qtml::Escaped<const char*>();
}

void QTMLTest_QueueDialogAnswer(const char* nativePath) try {
  qtml::GuardedVoid([&] {
    if (nativePath == nullptr) {
      qtml::State().dialogAnswers.emplace_back(std::nullopt);
    } else {
      qtml::State().dialogAnswers.emplace_back(std::string(nativePath));
    }
  });
} catch (...) {
  return qtml::Escaped<void>();
}

long QTMLTest_PendingDialogAnswers(void) try {
  return static_cast<long>(qtml::State().dialogAnswers.size());
} catch (...) {
  return qtml::Escaped<long>();
}

void QTMLTest_ClearDialogAnswers(void) try { qtml::State().dialogAnswers.clear(); } catch (...) {
  return qtml::Escaped<void>();
}

void QTMLTest_ClearTrace(void) try { qtml::State().trace.clear(); } catch (...) {
  return qtml::Escaped<void>();
}

void QTMLTest_FailCall(const char* functionName, long nth, OSErr error) try {
  qtml::ArmFault(functionName, nth, error);
} catch (...) {
  return qtml::Escaped<void>();
}

void QTMLTest_FailAllocations(long count) try {
  qtml::State().allocationsLeft = count < 0 ? -1 : count;
  qtml::State().allocationsRefused = 0;
} catch (...) {
  return qtml::Escaped<void>();
}

long QTMLTest_AllocationsRefused(void) {
  return qtml::State().allocationsRefused;
}

void QTMLTest_ClearFaults(void) try {
  qtml::Controls& controls = qtml::State();
  controls.faults.clear();
  controls.allocationsLeft = -1;
  qtml::ClearIOFaults();
} catch (...) {
  return qtml::Escaped<void>();
}

void QTMLTest_UseFinderInfoSidecar(Boolean on) try {
  qtml::ForceFinderInfoSidecar(on != 0);
} catch (...) {
  return qtml::Escaped<void>();
}

long QTMLTest_LiveHandleCount(void) try { return qtml::LiveHandleCount(); } catch (...) {
  return qtml::Escaped<long>();
}

long QTMLTest_LivePtrCount(void) try { return qtml::LivePtrCount(); } catch (...) {
  return qtml::Escaped<long>();
}

}  // extern "C"
