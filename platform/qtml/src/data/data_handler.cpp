// Data handler components: each instance reads and writes the data one
// data reference names, through the store OpenDataRefStore opens for it.
// Asynchronous reads and writes wait in the instance's queue until
// DataHTask runs them and calls their completion routines.
#include "data/data_handler.h"

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "Movies.h"
#include "QuickTimeComponents.h"
#include "base/api_call.h"
#include "components/component_registry.h"
#include "components/component_selectors.h"
#include "data/data_refs.h"
#include "memory/memory.h"
#include "movies/movie_toolbox.h"

namespace qtml {
namespace {

constexpr long kPreferredBlockSize = 64 * 1024;
constexpr OSType kDataHandlerType = 'dhlr';

// The calls every data handler implements (all the DataH calls of the
// engine); a handler that cannot do one (writing where it only reads)
// answers that call's error.
constexpr SInt16 kDataHandlerSelectors[] = {kDataHGetDataSelect,
                                            kDataHPutDataSelect,
                                            kDataHOpenForWriteSelect,
                                            kDataHCloseForWriteSelect,
                                            kDataHOpenForReadSelect,
                                            kDataHCloseForReadSelect,
                                            kDataHSetDataRefSelect,
                                            kDataHGetDataRefSelect,
                                            kDataHTaskSelect,
                                            kDataHGetFileSizeSelect,
                                            kDataHCanUseDataRefSelect,
                                            kDataHWriteSelect,
                                            kDataHGetPreferredBlockSizeSelect,
                                            kDataHGetFileSize64Select,
                                            kDataHReadAsyncSelect,
                                            kDataHSetTimeHintsSelect};

// One asynchronous read or write waiting for DataHTask.
struct Request {
  bool write = false;
  Ptr data = nullptr;
  SInt64 offset = 0;
  SInt64 size = 0;
  DataHCompletionUPP completion = nullptr;
  long refCon = 0;
};

class DataHandlerImplementation : public ComponentImplementation {
 public:
  DataHandlerImplementation() = default;
  ~DataHandlerImplementation() override {
    if (alive_ != nullptr) *alive_ = false;
  }
  DataHandlerImplementation(const DataHandlerImplementation&) = delete;
  DataHandlerImplementation& operator=(const DataHandlerImplementation&) = delete;

  OSErr Open(ComponentInstance self) override {
    try {
      alive_ = std::make_shared<bool>(true);
    } catch (...) {
      return memFullErr;
    }
    ComponentInstanceRecord* record = FindInstanceRecord(self);
    if (record != nullptr && record->component != nullptr) {
      subType_ = record->component->entry.subType;
    }
    return noErr;
  }

  OSErr SetDataRef(Handle dataRef) {
    if (dataRef == nullptr) return paramErr;
    if (OSErr err = CheckHandle(dataRef)) return err;
    const auto* bytes = reinterpret_cast<const uint8_t*>(*dataRef);
    ref_.assign(bytes, bytes + HandleSize(dataRef));
    hasRef_ = true;
    reader_.reset();
    writer_.reset();
    pending_.clear();
    return noErr;
  }

  OSErr GetDataRef(Handle* dataRef) const {
    if (dataRef == nullptr) return paramErr;
    if (!hasRef_) return dataNoDataRef;
    OSErr err = noErr;
    Handle copy = NewHandleBytes(static_cast<Size>(ref_.size()), false, &err);
    if (copy == nullptr) return err;
    if (!ref_.empty()) std::memcpy(*copy, ref_.data(), ref_.size());
    *dataRef = copy;
    return noErr;
  }

  OSErr OpenForRead() { return OpenStore(false, &reader_); }
  // A block of memory behind a 'ptr ' reference cannot grow, and writes
  // only append: it is read only.
  OSErr OpenForWrite() {
    if (writer_ != nullptr) return dataAlreadyOpenForWrite;
    if (subType_ == PointerDataHandlerSubType) return permErr;
    return OpenStore(true, &writer_);
  }
  OSErr CloseForRead() { return CloseStore(&reader_, dataAlreadyClosed); }
  OSErr CloseForWrite() { return CloseStore(&writer_, dataAlreadyClosed); }

  OSErr FileSize(SInt64* size) {
    if (size == nullptr) return paramErr;
    std::shared_ptr<DataStore> store = writer_ != nullptr ? writer_ : reader_;
    if (store == nullptr) {
      if (OSErr err = OpenStore(false, &store)) return err;
    }
    *size = store->Size();
    return noErr;
  }

  OSErr Read(void* into, SInt64 offset, SInt64 size) {
    std::shared_ptr<DataStore> store = reader_ != nullptr ? reader_ : writer_;
    if (store == nullptr) return dataNotOpenForRead;
    if (size < 0 || offset < 0 || (size > 0 && into == nullptr)) return paramErr;
    return store->Read(offset, into, size) ? noErr : eofErr;
  }

  // Writes go at the end of the data; a gap before them is zero-filled.
  OSErr Write(const void* data, SInt64 offset, SInt64 size) {
    if (writer_ == nullptr) return dataNotOpenForWrite;
    if (size < 0 || offset < 0 || (size > 0 && data == nullptr)) return paramErr;
    SInt64 end = writer_->Size();
    if (offset < end) return paramErr;
    if (offset > end) {
      std::vector<uint8_t> gap(static_cast<size_t>(offset - end), 0);
      if (writer_->Append(gap.data(), static_cast<SInt64>(gap.size())) < 0) return ioErr;
    }
    return writer_->Append(data, size) < 0 ? ioErr : noErr;
  }

  OSErr Queue(const Request& request) {
    if (request.write ? writer_ == nullptr : reader_ == nullptr && writer_ == nullptr) {
      return request.write ? dataNotOpenForWrite : dataNotOpenForRead;
    }
    pending_.push_back(request);
    return noErr;
  }

  // Runs the requests queued before this call; those their completion
  // routines queue wait for the next task. A completion routine may close
  // this very instance: nothing of it is touched once that has happened.
  void Task() {
    std::deque<Request> now;
    now.swap(pending_);
    std::shared_ptr<bool> alive = alive_;
    for (const Request& request : now) {
      if (alive != nullptr && !*alive) return;
      OSErr err = request.write ? Write(request.data, request.offset, request.size)
                                : Read(request.data, request.offset, request.size);
      if (request.completion != nullptr) request.completion(request.data, request.refCon, err);
    }
  }

  bool Implements(SInt16 selector) const override {
    return InSelectorTable(kDataHandlerSelectors, selector);
  }

 private:
  OSErr OpenStore(bool writable, std::shared_ptr<DataStore>* store) {
    if (!hasRef_) return dataNoDataRef;
    OSErr err = noErr;
    *store = OpenDataRefStore(subType_, ref_.data(), ref_.size(), writable, &err);
    return err;
  }

  OSErr CloseStore(std::shared_ptr<DataStore>* store, OSErr notOpen) {
    if (*store == nullptr) return notOpen;
    store->reset();
    return noErr;
  }

  OSType subType_ = 0;
  std::vector<uint8_t> ref_;
  bool hasRef_ = false;
  std::shared_ptr<DataStore> reader_;
  std::shared_ptr<DataStore> writer_;
  std::deque<Request> pending_;
  std::shared_ptr<bool> alive_;  // false once destroyed, for Task
};

// The data handler behind an instance that implements the call, or
// nullptr with *result: badComponentInstance for a dead one,
// badComponentSelector for a component that does not implement it.
DataHandlerImplementation* HandlerOf(DataHandler dh, SInt16 selector, ComponentResult* result) {
  ComponentImplementation* implementation = EnterSelector(dh, selector, result);
  if (implementation == nullptr) return nullptr;
  auto* handler = dynamic_cast<DataHandlerImplementation*>(implementation);
  if (handler == nullptr) *result = badComponentSelector;
  return handler;
}

// Runs a data handler call: the fault, the handler, the body guarded.
template <typename F>
ComponentResult HandlerCall(ApiCall& call, DataHandler dh, SInt16 selector, F&& body) noexcept {
  ComponentResult result = call.Fault();
  if (result != noErr) return call.Return(result);
  DataHandlerImplementation* handler = HandlerOf(dh, selector, &result);
  if (handler == nullptr) return call.Return(result);
  return call.Return(
      Guarded<ComponentResult>(memFullErr, [&]() -> ComponentResult { return body(*handler); }));
}

// Whether a data handler of this subtype can do what flags ask: only
// files are written.
bool HandlerAllows(OSType subType, long flags) {
  if ((flags & (kDataHCanWrite | kDataHSpecialWrite | kDataHSpecialWriteFile |
                kDataHCanStreamingWrite)) == 0) {
    return true;
  }
  return subType == rAliasType || subType == HandleDataHandlerSubType;
}

}  // namespace

ComponentImplementation* NewDataHandlerImplementation() {
  return NewObject<DataHandlerImplementation>();
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::DataHandlerImplementation;
using qtml::HandlerCall;

extern "C" {

Component GetDataHandler(Handle dataRef, OSType dataHandlerSubType, long flags) try {
  ApiCall call("GetDataHandler", dataRef, qtml::FourCC{dataHandlerSubType}, flags);
  OSErr err = call.Fault();
  if (err == noErr) err = qtml::RequireMovieToolbox();
  Component found = nullptr;
  if (err == noErr) {
    ComponentDescription looking = {qtml::kDataHandlerType, dataHandlerSubType, 0, 0, 0};
    found = qtml::NextMatching(nullptr, &looking);
    if (found == nullptr || !qtml::HandlerAllows(dataHandlerSubType, flags)) {
      found = nullptr;
      err = noDataHandler;
    }
  }
  qtml::SetMoviesError(err);
  return call.Return(found);
} catch (...) {
  return qtml::Escaped<Component>();
}

ComponentResult DataHSetDataRef(DataHandler dh, Handle dataRef) try {
  ApiCall call("DataHSetDataRef", dh, dataRef);
  return HandlerCall(call, dh, kDataHSetDataRefSelect,
                     [&](DataHandlerImplementation& h) { return h.SetDataRef(dataRef); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHGetDataRef(DataHandler dh, Handle* dataRef) try {
  ApiCall call("DataHGetDataRef", dh, dataRef);
  return HandlerCall(call, dh, kDataHGetDataRefSelect,
                     [&](DataHandlerImplementation& h) { return h.GetDataRef(dataRef); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHCanUseDataRef(DataHandler dh, Handle dataRef, long* useFlags) try {
  ApiCall call("DataHCanUseDataRef", dh, dataRef, useFlags);
  return HandlerCall(call, dh, kDataHCanUseDataRefSelect,
                     [&](DataHandlerImplementation&) -> ComponentResult {
                       if (dataRef == nullptr || useFlags == nullptr) return paramErr;
                       // Any reference of the handler's type may do; opening it tells.
                       *useFlags = kDataHCanRead;
                       return noErr;
                     });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHOpenForRead(DataHandler dh) try {
  ApiCall call("DataHOpenForRead", dh);
  return HandlerCall(call, dh, kDataHOpenForReadSelect,
                     [](DataHandlerImplementation& h) { return h.OpenForRead(); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHCloseForRead(DataHandler dh) try {
  ApiCall call("DataHCloseForRead", dh);
  return HandlerCall(call, dh, kDataHCloseForReadSelect,
                     [](DataHandlerImplementation& h) { return h.CloseForRead(); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHOpenForWrite(DataHandler dh) try {
  ApiCall call("DataHOpenForWrite", dh);
  return HandlerCall(call, dh, kDataHOpenForWriteSelect,
                     [](DataHandlerImplementation& h) { return h.OpenForWrite(); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHCloseForWrite(DataHandler dh) try {
  ApiCall call("DataHCloseForWrite", dh);
  return HandlerCall(call, dh, kDataHCloseForWriteSelect,
                     [](DataHandlerImplementation& h) { return h.CloseForWrite(); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHGetFileSize(DataHandler dh, long* fileSize) try {
  ApiCall call("DataHGetFileSize", dh, fileSize);
  return HandlerCall(call, dh, kDataHGetFileSizeSelect,
                     [&](DataHandlerImplementation& h) -> ComponentResult {
                       if (fileSize == nullptr) return paramErr;
                       SInt64 size = 0;
                       if (OSErr err = h.FileSize(&size)) return err;
                       *fileSize = static_cast<long>(size);
                       return noErr;
                     });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHGetFileSize64(DataHandler dh, wide* fileSize) try {
  ApiCall call("DataHGetFileSize64", dh, fileSize);
  return HandlerCall(call, dh, kDataHGetFileSize64Select,
                     [&](DataHandlerImplementation& h) { return h.FileSize(fileSize); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHGetPreferredBlockSize(DataHandler dh, long* blockSize) try {
  ApiCall call("DataHGetPreferredBlockSize", dh, blockSize);
  return HandlerCall(call, dh, kDataHGetPreferredBlockSizeSelect,
                     [&](DataHandlerImplementation&) -> ComponentResult {
                       if (blockSize == nullptr) return paramErr;
                       *blockSize = qtml::kPreferredBlockSize;
                       return noErr;
                     });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHGetData(DataHandler dh, Handle h, long hOffset, long offset, long size) try {
  ApiCall call("DataHGetData", dh, h, hOffset, offset, size);
  return HandlerCall(call, dh, kDataHGetDataSelect,
                     [&](DataHandlerImplementation& handler) -> ComponentResult {
                       if (h == nullptr || hOffset < 0 || size < 0) return paramErr;
                       if (OSErr err = qtml::CheckHandle(h)) return err;
                       if (hOffset + size > qtml::HandleSize(h)) return paramErr;
                       return handler.Read(*h + hOffset, offset, size);
                     });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHPutData(DataHandler dh, Handle h, long hOffset, long* offset, long size) try {
  ApiCall call("DataHPutData", dh, h, hOffset, offset, size);
  return HandlerCall(call, dh, kDataHPutDataSelect,
                     [&](DataHandlerImplementation& handler) -> ComponentResult {
                       if (h == nullptr || offset == nullptr || hOffset < 0 || size < 0)
                         return paramErr;
                       if (OSErr err = qtml::CheckHandle(h)) return err;
                       if (hOffset + size > qtml::HandleSize(h)) return paramErr;
                       SInt64 end = 0;
                       if (OSErr err = handler.FileSize(&end)) return err;
                       if (OSErr err = handler.Write(*h + hOffset, end, size)) return err;
                       *offset = static_cast<long>(end);
                       return noErr;
                     });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHReadAsync(DataHandler dh, void* dataPtr, UInt32 dataSize,
                               const wide* dataOffset, DataHCompletionUPP completion,
                               long refCon) try {
  ApiCall call("DataHReadAsync", dh, dataPtr, dataSize, dataOffset, refCon);
  return HandlerCall(call, dh, kDataHReadAsyncSelect,
                     [&](DataHandlerImplementation& h) -> ComponentResult {
                       if (dataPtr == nullptr || dataOffset == nullptr) return paramErr;
                       qtml::Request request;
                       request.data = static_cast<Ptr>(dataPtr);
                       request.offset = *dataOffset;
                       request.size = dataSize;
                       request.completion = completion;
                       request.refCon = refCon;
                       if (completion == nullptr)
                         return h.Read(dataPtr, request.offset, request.size);
                       return h.Queue(request);
                     });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHWrite(DataHandler dh, Ptr data, long offset, long size,
                           DataHCompletionUPP completion, long refCon) try {
  ApiCall call("DataHWrite", dh, static_cast<const void*>(data), offset, size, refCon);
  return HandlerCall(call, dh, kDataHWriteSelect,
                     [&](DataHandlerImplementation& h) -> ComponentResult {
                       if (completion == nullptr) return h.Write(data, offset, size);
                       if (data == nullptr || size < 0) return paramErr;
                       qtml::Request request;
                       request.write = true;
                       request.data = data;
                       request.offset = offset;
                       request.size = size;
                       request.completion = completion;
                       request.refCon = refCon;
                       return h.Queue(request);
                     });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHTask(DataHandler dh) try {
  ApiCall call("DataHTask", dh);
  return HandlerCall(call, dh, kDataHTaskSelect,
                     [](DataHandlerImplementation& h) -> ComponentResult {
                       h.Task();
                       return noErr;
                     });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult DataHSetTimeHints(DataHandler dh, long flags, long bandwidthPriority,
                                  TimeScale scale, TimeValue minTime, TimeValue maxTime) try {
  ApiCall call("DataHSetTimeHints", dh, flags, bandwidthPriority, scale, minTime, maxTime);
  // Everything is local: there is nothing to schedule ahead.
  return HandlerCall(call, dh, kDataHSetTimeHintsSelect,
                     [](DataHandlerImplementation&) -> ComponentResult { return noErr; });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
