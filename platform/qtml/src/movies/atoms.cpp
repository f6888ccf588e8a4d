// The public QT atom container calls. Each records its result for
// GetMoviesError; the work is in atom_container.cpp.
#include <cstring>
#include <string>

#include "Movies.h"
#include "base/api_call.h"
#include "movies/atom_container.h"
#include "memory/memory.h"
#include "movies/movie_toolbox.h"

namespace qtml {
namespace {

// Runs an atom operation that answers an OSErr, behind the fault check.
template <typename F>
OSErr Run(ApiCall& call, F&& body) noexcept {
  OSErr err = call.Fault();
  if (err == noErr) err = Guarded<OSErr>(memFullErr, body);
  SetMoviesError(err);
  return call.Return(err);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
namespace atoms = qtml::atoms;

extern "C" {

OSErr QTNewAtomContainer(QTAtomContainer* atomData) try {
  ApiCall call("QTNewAtomContainer", atomData);
  if (atomData != nullptr) *atomData = nullptr;
  return qtml::Run(call, [&] { return atomData ? atoms::NewContainer(atomData) : paramErr; });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTDisposeAtomContainer(QTAtomContainer atomData) try {
  ApiCall call("QTDisposeAtomContainer", atomData);
  return qtml::Run(call, [&] {
    OSErr err = qtml::CheckHandle(atomData);
    if (err == noErr) atoms::DisposeContainer(atomData);
    return err;
  });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTInsertChild(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, QTAtomID id,
                    short index, long dataSize, void* data, QTAtom* newAtom) try {
  ApiCall call("QTInsertChild", container, parentAtom, FourCC{atomType}, id, index, dataSize, data,
               newAtom);
  if (newAtom != nullptr) *newAtom = 0;
  return qtml::Run(call, [&] {
    return atoms::InsertChild(container, parentAtom, atomType, id, index, dataSize, data, newAtom);
  });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTInsertChildren(QTAtomContainer container, QTAtom parentAtom,
                       QTAtomContainer childrenContainer) try {
  ApiCall call("QTInsertChildren", container, parentAtom, childrenContainer);
  return qtml::Run(call,
                   [&] { return atoms::InsertChildren(container, parentAtom, childrenContainer); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTAtom QTFindChildByIndex(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                          short index, QTAtomID* id) try {
  ApiCall call("QTFindChildByIndex", container, parentAtom, FourCC{atomType}, index, id);
  QTAtom atom = 0;
  OSErr err = call.Fault();
  if (err == noErr) {
    err = qtml::Guarded<OSErr>(memFullErr, [&] {
      return atoms::FindChildByIndex(container, parentAtom, atomType, index, &atom, id);
    });
  }
  qtml::SetMoviesError(err);
  return call.Return(err == noErr ? atom : 0);
} catch (...) {
  return qtml::Escaped<QTAtom>();
}

QTAtom QTFindChildByID(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                       QTAtomID id, short* index) try {
  ApiCall call("QTFindChildByID", container, parentAtom, FourCC{atomType}, id, index);
  QTAtom atom = 0;
  OSErr err = call.Fault();
  if (err == noErr) {
    err = qtml::Guarded<OSErr>(memFullErr, [&] {
      return atoms::FindChildByID(container, parentAtom, atomType, id, &atom, index);
    });
  }
  qtml::SetMoviesError(err);
  return call.Return(err == noErr ? atom : 0);
} catch (...) {
  return qtml::Escaped<QTAtom>();
}

short QTCountChildren(QTAtomContainer container, QTAtom parentAtom) try {
  ApiCall call("QTCountChildren", container, parentAtom);
  short count = 0;
  OSErr err = call.Fault();
  if (err == noErr) {
    err = qtml::Guarded<OSErr>(
        memFullErr, [&] { return atoms::CountChildren(container, parentAtom, 0, true, &count); });
  }
  qtml::SetMoviesError(err);
  return call.Return<short>(err == noErr ? count : 0);
} catch (...) {
  return qtml::Escaped<short>();
}

short QTCountChildrenOfType(QTAtomContainer container, QTAtom parentAtom,
                            QTAtomType childType) try {
  ApiCall call("QTCountChildrenOfType", container, parentAtom, FourCC{childType});
  short count = 0;
  OSErr err = call.Fault();
  if (err == noErr) {
    err = qtml::Guarded<OSErr>(memFullErr, [&] {
      return atoms::CountChildren(container, parentAtom, childType, false, &count);
    });
  }
  qtml::SetMoviesError(err);
  return call.Return<short>(err == noErr ? count : 0);
} catch (...) {
  return qtml::Escaped<short>();
}

QTAtomType QTGetNextChildType(QTAtomContainer container, QTAtom parentAtom,
                              QTAtomType currentChildType) try {
  ApiCall call("QTGetNextChildType", container, parentAtom, FourCC{currentChildType});
  QTAtomType next = 0;
  OSErr err = call.Fault();
  if (err == noErr) {
    err = qtml::Guarded<OSErr>(memFullErr, [&] {
      return atoms::NextChildType(container, parentAtom, currentChildType, &next);
    });
  }
  qtml::SetMoviesError(err);
  return call.Return<QTAtomType>(err == noErr ? next : 0);
} catch (...) {
  return qtml::Escaped<QTAtomType>();
}

OSErr QTCopyAtom(QTAtomContainer container, QTAtom atom, QTAtomContainer* targetContainer) try {
  ApiCall call("QTCopyAtom", container, atom, targetContainer);
  if (targetContainer != nullptr) *targetContainer = nullptr;
  return qtml::Run(call, [&] {
    return targetContainer ? atoms::CopyAtom(container, atom, targetContainer) : paramErr;
  });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTCopyAtomDataToHandle(QTAtomContainer container, QTAtom atom, Handle targetHandle) try {
  ApiCall call("QTCopyAtomDataToHandle", container, atom, targetHandle);
  return qtml::Run(call, [&] {
    const char* data = nullptr;
    long size = 0;
    OSErr err = atoms::GetData(container, atom, &data, &size);
    if (err == noErr) err = qtml::CheckHandle(targetHandle);
    if (err != noErr) return err;
    // Copied through a buffer: the target may be the container itself.
    std::string bytes(data, static_cast<size_t>(size));
    return qtml::SetHandleBytes(targetHandle, bytes.data(), size);
  });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTCopyAtomDataToPtr(QTAtomContainer container, QTAtom atom, Boolean sizeOrLessOK, long size,
                          void* targetPtr, long* actualSize) try {
  ApiCall call("QTCopyAtomDataToPtr", container, atom, sizeOrLessOK, size, targetPtr, actualSize);
  return qtml::Run(call, [&] {
    const char* data = nullptr;
    long dataSize = 0;
    OSErr err = atoms::GetData(container, atom, &data, &dataSize);
    if (err != noErr) return err;
    if (dataSize > size || (!sizeOrLessOK && dataSize != size)) return OSErr{paramErr};
    if (targetPtr == nullptr && dataSize > 0) return OSErr{paramErr};
    if (dataSize > 0) std::memcpy(targetPtr, data, static_cast<size_t>(dataSize));
    if (actualSize != nullptr) *actualSize = dataSize;
    return OSErr{noErr};
  });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTGetAtomDataPtr(QTAtomContainer container, QTAtom atom, long* dataSize, Ptr* atomData) try {
  ApiCall call("QTGetAtomDataPtr", container, atom, dataSize, atomData);
  return qtml::Run(call, [&] {
    const char* data = nullptr;
    long size = 0;
    OSErr err = atoms::GetData(container, atom, &data, &size);
    if (err != noErr) return err;
    if (dataSize != nullptr) *dataSize = size;
    if (atomData != nullptr) *atomData = const_cast<Ptr>(data);
    return OSErr{noErr};
  });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTSetAtomData(QTAtomContainer container, QTAtom atom, long dataSize, void* atomData) try {
  ApiCall call("QTSetAtomData", container, atom, dataSize, atomData);
  return qtml::Run(call, [&] { return atoms::SetData(container, atom, dataSize, atomData); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTGetAtomTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* atomType,
                         QTAtomID* id) try {
  ApiCall call("QTGetAtomTypeAndID", container, atom, atomType, id);
  return qtml::Run(call, [&] { return atoms::GetTypeAndID(container, atom, atomType, id); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTRemoveAtom(QTAtomContainer container, QTAtom atom) try {
  ApiCall call("QTRemoveAtom", container, atom);
  return qtml::Run(call, [&] { return atoms::RemoveAtom(container, atom); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTRemoveChildren(QTAtomContainer container, QTAtom atom) try {
  ApiCall call("QTRemoveChildren", container, atom);
  return qtml::Run(call, [&] { return atoms::RemoveChildren(container, atom); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTLockContainer(QTAtomContainer container) try {
  ApiCall call("QTLockContainer", container);
  return qtml::Run(call, [&] { return atoms::Lock(container); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTUnlockContainer(QTAtomContainer container) try {
  ApiCall call("QTUnlockContainer", container);
  return qtml::Run(call, [&] { return atoms::Unlock(container); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
