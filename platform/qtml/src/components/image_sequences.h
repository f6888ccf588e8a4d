// The records behind ImageSequence ids. Decompression and compression
// sequences are kinds of one record, so that CDSequenceEnd ends either.
#pragma once

#include <memory>

#include "ImageCompression.h"
#include "base/handle_table.h"

namespace qtml {

class SequenceRecord {
 public:
  SequenceRecord() = default;
  SequenceRecord(const SequenceRecord&) = delete;
  SequenceRecord& operator=(const SequenceRecord&) = delete;
  virtual ~SequenceRecord() = default;

  Identity<SequenceRecord, HandleKind::kSequence> reference;
};

// Makes the sequence live and answers its id, which owns it until
// CDSequenceEnd; 0 when memory is short (the record is then destroyed).
ImageSequence AdoptSequence(std::unique_ptr<SequenceRecord> record) noexcept;

// The live sequence an id names, or nullptr.
SequenceRecord* SequenceOf(ImageSequence id) noexcept;

// Whether a frame call's completion record names a procedure to call: not
// for nil, nor for -1 (asynchronous, but without a procedure; the engine
// works synchronously and answers when the frame is done either way).
inline bool HasCompletionProc(ICMCompletionProcRecordPtr record) noexcept {
  return record != nullptr && record != reinterpret_cast<ICMCompletionProcRecordPtr>(-1) &&
         record->completionProc != nullptr;
}

// The live sequence of kind T an id names, or nullptr.
template <typename T>
T* SequenceOf(ImageSequence id) noexcept {
  return dynamic_cast<T*>(SequenceOf(id));
}

}  // namespace qtml
