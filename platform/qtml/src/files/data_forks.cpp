// The File Manager's data forks: files open through reference numbers,
// read and written at a mark.
//
// Reference numbers count from kFirstForkRefNum, the lowest free one first,
// apart from the movie files' (OpenMovieFile counts from 1), so that a
// movie file's number is never taken for a data fork's.
#include <map>
#include <memory>
#include <string>

#include "base/api_call.h"
#include "files/files.h"
#include "files/os.h"
#include "memory/memory.h"

namespace qtml {
namespace {

constexpr short kFirstForkRefNum = 0x1000;

struct DataFork {
  std::unique_ptr<os::ReadableFile> file;
  SInt64 mark = 0;
};

std::map<short, DataFork>& Forks() {
  static std::map<short, DataFork> forks;
  return forks;
}

DataFork* FindFork(short refNum) {
  auto found = Forks().find(refNum);
  return found != Forks().end() ? &found->second : nullptr;
}

// The file opened as the permission asks: fsCurPerm falls back to reading
// when the file cannot be written.
OSErr OpenWithPermission(const std::string& path, SInt8 permission,
                         std::unique_ptr<os::ReadableFile>* file) {
  using Mode = os::ReadableFile::Mode;
  if (permission < fsCurPerm || permission > fsRdWrShPerm) return paramErr;
  Mode mode = permission == fsRdPerm ? Mode::kRead : Mode::kUpdate;
  *file = std::make_unique<os::ReadableFile>(path, mode);
  OSErr err = (*file)->OpenError();
  if (permission == fsCurPerm && (err == permErr || err == wPrErr)) {
    *file = std::make_unique<os::ReadableFile>(path, Mode::kRead);
    err = (*file)->OpenError();
  }
  return err;
}

OSErr OpenDataFork(const FSSpec* spec, SInt8 permission, short* refNum) {
  std::string path;
  if (OSErr err = ExistingFilePath(spec, &path)) return err;
  std::unique_ptr<os::ReadableFile> file;
  if (OSErr err = OpenWithPermission(path, permission, &file)) return err;
  short number = kFirstForkRefNum;
  for (auto it = Forks().lower_bound(number); it != Forks().end() && it->first == number; ++it) {
    if (number == 0x7FFF) return tmfoErr;
    ++number;
  }
  Forks().emplace(number, DataFork{std::move(file), 0});
  *refNum = number;
  return noErr;
}

OSErr Read(DataFork& fork, long* count, void* bytes) {
  size_t done = 0;
  OSErr err = fork.file->ReadAt(fork.mark, bytes, static_cast<size_t>(*count), &done);
  fork.mark += static_cast<SInt64>(done);
  *count = static_cast<long>(done);
  return err;
}

OSErr Write(DataFork& fork, long* count, const void* bytes) {
  OSErr err = fork.file->WriteAt(fork.mark, bytes, static_cast<size_t>(*count));
  if (err != noErr) {
    *count = 0;
    return err;
  }
  fork.mark += *count;
  return noErr;
}

OSErr SetMark(DataFork& fork, short mode, long offset) {
  SInt64 size = 0;
  if (OSErr err = fork.file->Size(&size)) return err;
  SInt64 base = 0;
  switch (mode) {
    case fsAtMark:
      return noErr;
    case fsFromStart:
      break;
    case fsFromLEOF:
      base = size;
      break;
    case fsFromMark:
      base = fork.mark;
      break;
    default:
      return paramErr;
  }
  SInt64 position = base + offset;
  if (position < 0) return posErr;
  if (position > size) {
    fork.mark = size;
    return eofErr;
  }
  fork.mark = position;
  return noErr;
}

OSErr SetEnd(DataFork& fork, long end) {
  if (end < 0) return paramErr;
  if (OSErr err = fork.file->Truncate(end)) return err;
  if (fork.mark > end) fork.mark = end;
  return noErr;
}

// Runs `step` on the fork a reference number names: rfNumErr when none.
template <typename F>
OSErr OnFork(short refNum, F&& step) {
  DataFork* fork = FindFork(refNum);
  if (fork == nullptr) return rfNumErr;
  return Guarded<OSErr>(memFullErr, [&] { return step(*fork); });
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::Guarded;

extern "C" {

OSErr FSpOpenDF(const FSSpec* spec, SInt8 permission, short* refNum) try {
  ApiCall call("FSpOpenDF", spec, permission, refNum);
  if (refNum != nullptr) *refNum = 0;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (refNum == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(
      Guarded<OSErr>(memFullErr, [&] { return qtml::OpenDataFork(spec, permission, refNum); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSRead(short refNum, long* count, void* buffPtr) try {
  ApiCall call("FSRead", refNum, count != nullptr ? *count : 0L, buffPtr);
  if (OSErr fault = call.Fault()) {
    if (count != nullptr) *count = 0;
    return call.Return(fault);
  }
  if (count == nullptr || *count < 0 || (buffPtr == nullptr && *count > 0)) {
    return call.Return<OSErr>(paramErr);
  }
  return call.Return(
      qtml::OnFork(refNum, [&](qtml::DataFork& fork) { return qtml::Read(fork, count, buffPtr); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSWrite(short refNum, long* count, const void* buffPtr) try {
  ApiCall call("FSWrite", refNum, count != nullptr ? *count : 0L, buffPtr);
  if (OSErr fault = call.Fault()) {
    if (count != nullptr) *count = 0;
    return call.Return(fault);
  }
  if (count == nullptr || *count < 0 || (buffPtr == nullptr && *count > 0)) {
    return call.Return<OSErr>(paramErr);
  }
  return call.Return(qtml::OnFork(
      refNum, [&](qtml::DataFork& fork) { return qtml::Write(fork, count, buffPtr); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetFPos(short refNum, long* filePos) try {
  ApiCall call("GetFPos", refNum, filePos);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (filePos == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(qtml::OnFork(refNum, [&](qtml::DataFork& fork) {
    *filePos = static_cast<long>(fork.mark);
    return noErr;
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetFPos(short refNum, short posMode, long posOff) try {
  ApiCall call("SetFPos", refNum, posMode, posOff);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::OnFork(
      refNum, [&](qtml::DataFork& fork) { return qtml::SetMark(fork, posMode, posOff); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetEOF(short refNum, long* logEOF) try {
  ApiCall call("GetEOF", refNum, logEOF);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (logEOF == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(qtml::OnFork(refNum, [&](qtml::DataFork& fork) {
    SInt64 size = 0;
    OSErr err = fork.file->Size(&size);
    *logEOF = static_cast<long>(size);
    return err;
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetEOF(short refNum, long logEOF) try {
  ApiCall call("SetEOF", refNum, logEOF);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(
      qtml::OnFork(refNum, [&](qtml::DataFork& fork) { return qtml::SetEnd(fork, logEOF); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSClose(short refNum) try {
  ApiCall call("FSClose", refNum);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return<OSErr>(qtml::Forks().erase(refNum) != 0 ? noErr : rfNumErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
