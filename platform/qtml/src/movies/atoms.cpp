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

OSErr QTNewAtomContainer(QTAtomContainer* atomData) {
  ApiCall call("QTNewAtomContainer", atomData);
  if (atomData != nullptr) *atomData = nullptr;
  return qtml::Run(call, [&] { return atomData ? atoms::NewContainer(atomData) : paramErr; });
}

OSErr QTDisposeAtomContainer(QTAtomContainer atomData) {
  ApiCall call("QTDisposeAtomContainer", atomData);
  return qtml::Run(call, [&] {
    OSErr err = qtml::CheckHandle(atomData);
    if (err == noErr) atoms::DisposeContainer(atomData);
    return err;
  });
}

OSErr QTInsertChild(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, QTAtomID id,
                    short index, long dataSize, void* data, QTAtom* newAtom) {
  ApiCall call("QTInsertChild", container, parentAtom, FourCC{atomType}, id, index, dataSize, data,
               newAtom);
  if (newAtom != nullptr) *newAtom = 0;
  return qtml::Run(call, [&] {
    return atoms::InsertChild(container, parentAtom, atomType, id, index, dataSize, data, newAtom);
  });
}

OSErr QTInsertChildren(QTAtomContainer container, QTAtom parentAtom,
                       QTAtomContainer childrenContainer) {
  ApiCall call("QTInsertChildren", container, parentAtom, childrenContainer);
  return qtml::Run(call,
                   [&] { return atoms::InsertChildren(container, parentAtom, childrenContainer); });
}

QTAtom QTFindChildByIndex(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                          short index, QTAtomID* id) {
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
}

QTAtom QTFindChildByID(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                       QTAtomID id, short* index) {
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
}

short QTCountChildren(QTAtomContainer container, QTAtom parentAtom) {
  ApiCall call("QTCountChildren", container, parentAtom);
  short count = 0;
  OSErr err = call.Fault();
  if (err == noErr) {
    err = qtml::Guarded<OSErr>(
        memFullErr, [&] { return atoms::CountChildren(container, parentAtom, 0, true, &count); });
  }
  qtml::SetMoviesError(err);
  return call.Return<short>(err == noErr ? count : 0);
}

short QTCountChildrenOfType(QTAtomContainer container, QTAtom parentAtom, QTAtomType childType) {
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
}

QTAtomType QTGetNextChildType(QTAtomContainer container, QTAtom parentAtom,
                              QTAtomType currentChildType) {
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
}

OSErr QTCopyAtom(QTAtomContainer container, QTAtom atom, QTAtomContainer* targetContainer) {
  ApiCall call("QTCopyAtom", container, atom, targetContainer);
  if (targetContainer != nullptr) *targetContainer = nullptr;
  return qtml::Run(call, [&] {
    return targetContainer ? atoms::CopyAtom(container, atom, targetContainer) : paramErr;
  });
}

OSErr QTCopyAtomDataToHandle(QTAtomContainer container, QTAtom atom, Handle targetHandle) {
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
}

OSErr QTCopyAtomDataToPtr(QTAtomContainer container, QTAtom atom, Boolean sizeOrLessOK, long size,
                          void* targetPtr, long* actualSize) {
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
}

OSErr QTGetAtomDataPtr(QTAtomContainer container, QTAtom atom, long* dataSize, Ptr* atomData) {
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
}

OSErr QTSetAtomData(QTAtomContainer container, QTAtom atom, long dataSize, void* atomData) {
  ApiCall call("QTSetAtomData", container, atom, dataSize, atomData);
  return qtml::Run(call, [&] { return atoms::SetData(container, atom, dataSize, atomData); });
}

OSErr QTGetAtomTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* atomType,
                         QTAtomID* id) {
  ApiCall call("QTGetAtomTypeAndID", container, atom, atomType, id);
  return qtml::Run(call, [&] { return atoms::GetTypeAndID(container, atom, atomType, id); });
}

OSErr QTRemoveAtom(QTAtomContainer container, QTAtom atom) {
  ApiCall call("QTRemoveAtom", container, atom);
  return qtml::Run(call, [&] { return atoms::RemoveAtom(container, atom); });
}

OSErr QTRemoveChildren(QTAtomContainer container, QTAtom atom) {
  ApiCall call("QTRemoveChildren", container, atom);
  return qtml::Run(call, [&] { return atoms::RemoveChildren(container, atom); });
}

OSErr QTLockContainer(QTAtomContainer container) {
  ApiCall call("QTLockContainer", container);
  return qtml::Run(call, [&] { return atoms::Lock(container); });
}

OSErr QTUnlockContainer(QTAtomContainer container) {
  ApiCall call("QTUnlockContainer", container);
  return qtml::Run(call, [&] { return atoms::Unlock(container); });
}

}  // extern "C"
