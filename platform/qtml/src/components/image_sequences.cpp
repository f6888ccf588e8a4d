#include "components/image_sequences.h"

#include "base/api_call.h"

namespace qtml {

ImageSequence AdoptSequence(std::unique_ptr<SequenceRecord> record) noexcept {
  if (record == nullptr || !record->reference.Register(record.get())) return 0;
  return static_cast<ImageSequence>(record.release()->reference.value());
}

SequenceRecord* SequenceOf(ImageSequence id) noexcept {
  return Identity<SequenceRecord, HandleKind::kSequence>::Find(reinterpret_cast<const void*>(id));
}

}  // namespace qtml

using qtml::ApiCall;

extern "C" {

OSErr CDSequenceEnd(ImageSequence seqID) try {
  ApiCall call("CDSequenceEnd", seqID);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::SequenceRecord* sequence = qtml::SequenceOf(seqID);
  if (sequence == nullptr) return call.Return(paramErr);
  delete sequence;
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
