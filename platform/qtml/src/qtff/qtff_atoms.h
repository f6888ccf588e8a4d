// Atoms of the QuickTime movie file format as the reader and the writer
// see them: a big-endian cursor over an atom's bytes, the walk over a run
// of sibling atoms, and a growing buffer that writes nested atoms.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "MacTypes.h"
#include "base/byte_order.h"

namespace qtml::qtff {

// A bounded big-endian reader. Reads past the end answer 0 and leave the
// cursor failed, so a parser reads a whole record and checks once.
class Cursor {
 public:
  Cursor(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  uint8_t U8() { return Take(1) ? bytes_[at_ - 1] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Big(2)); }
  uint32_t U32() { return static_cast<uint32_t>(Big(4)); }
  uint64_t U64() { return Big(8); }
  SInt16 S16() { return static_cast<SInt16>(U16()); }
  SInt32 S32() { return static_cast<SInt32>(U32()); }
  void Skip(size_t count) { Take(count); }
  const uint8_t* Here() const { return bytes_ + at_; }
  size_t Left() const { return size_ - at_; }
  size_t Offset() const { return at_; }
  bool ok() const { return ok_; }

 private:
  bool Take(size_t count) {
    if (!ok_ || count > size_ - at_) {
      ok_ = false;
      return false;
    }
    at_ += count;
    return true;
  }
  uint64_t Big(size_t count) {
    if (!Take(count)) return 0;
    uint64_t value = 0;
    for (size_t i = at_ - count; i < at_; ++i) value = value << 8 | bytes_[i];
    return value;
  }

  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

// One atom inside a buffer: its type, its whole bytes and its body.
struct Atom {
  OSType type = 0;
  const uint8_t* start = nullptr;  // the header
  size_t size = 0;                 // header included
  const uint8_t* body = nullptr;
  size_t bodySize = 0;
};

// Walks the sibling atoms of a buffer. Next answers false at the end, and
// also for an atom that does not fit (then failed() is true). A trailing
// 32-bit zero (the terminator some user data lists carry) ends the walk.
class AtomWalk {
 public:
  AtomWalk(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  bool Next(Atom* atom) {
    size_t left = size_ - at_;
    if (left == 0 || failed_) return false;
    if (left == 4 && std::memcmp(bytes_ + at_, "\0\0\0\0", 4) == 0) return false;
    if (left < 8) return Fail();
    Cursor header(bytes_ + at_, left);
    uint64_t size = header.U32();
    atom->type = header.U32();
    size_t headerSize = 8;
    if (size == 1) {
      size = header.U64();
      headerSize = 16;
      if (!header.ok()) return Fail();
    } else if (size == 0) {
      size = left;  // to the end of the enclosing atom
    }
    if (size < headerSize || size > left) return Fail();
    atom->start = bytes_ + at_;
    atom->size = static_cast<size_t>(size);
    atom->body = atom->start + headerSize;
    atom->bodySize = atom->size - headerSize;
    at_ += atom->size;
    return true;
  }
  bool failed() const { return failed_; }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }

  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
  bool failed_ = false;
};

// A growing big-endian buffer. Begin opens an atom whose size End fills
// in, so nested atoms are written in one pass.
class Writer {
 public:
  void U8(uint8_t value) { bytes_.push_back(value); }
  void U16(uint16_t value) { Big(value, 2); }
  void U32(uint32_t value) { Big(value, 4); }
  void U64(uint64_t value) { Big(value, 8); }
  void Bytes(const void* data, size_t size) {
    const auto* from = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), from, from + size);
  }
  void Bytes(const std::vector<uint8_t>& data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  // Opens an atom; a full atom also gets its version and flags.
  void Begin(OSType type) {
    open_.push_back(bytes_.size());
    U32(0);
    U32(type);
  }
  void BeginFull(OSType type, uint8_t version, uint32_t flags) {
    Begin(type);
    U32(static_cast<uint32_t>(version) << 24 | (flags & 0xFFFFFF));
  }
  void End() {
    size_t start = open_.back();
    open_.pop_back();
    uint64_t size = bytes_.size() - start;
    for (int i = 0; i < 4; ++i) bytes_[start + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
  }
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  void Big(uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }

  std::vector<uint8_t> bytes_;
  std::vector<size_t> open_;
};

}  // namespace qtml::qtff
