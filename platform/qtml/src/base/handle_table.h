// The tables behind the opaque references the engine hands out (movies,
// tracks, media, user data lists, time bases, component instances).
//
// A reference is not an address: it names a slot of its kind's table and
// the generation of that slot's use. When its record goes, the slot's
// generation moves on, so the old reference never names the slot's next
// record; it is refused every time, whatever memory the allocator reuses.
// A slot whose generations are used up is retired, never reused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace qtml {

// The kind a reference carries in its top byte, so that a track's
// reference is never taken for a movie's.
enum class HandleKind : uint8_t {
  kMovie = 0x4D,
  kTrack = 0x54,
  kMedia = 0x44,
  kUserData = 0x55,
  kTimeBase = 0x42,
  kInstance = 0x49,
  kSequence = 0x53,
  kDataSource = 0x64,
  kSoundConverter = 0x63,
};

template <typename T, HandleKind kKind>
class HandleTable {
 public:
  // A reference never given before, naming `record`; 0 when memory is short
  // (growing the table is the only allocation).
  uintptr_t Add(T* record) noexcept {
    uint32_t index;
    if (free_ != kNone) {
      index = free_;
      free_ = slots_[index].nextFree;
    } else {
      try {
        slots_.push_back(Slot{});
      } catch (...) {
        return 0;
      }
      index = static_cast<uint32_t>(slots_.size() - 1);
    }
    Slot& slot = slots_[index];
    slot.record = record;
    slot.nextFree = kNone;
    ++live_;
    return Encode(index, slot.generation);
  }

  // The live record a reference names, or nullptr.
  T* Find(uintptr_t reference) const noexcept {
    const Slot* slot = SlotOf(reference);
    return slot != nullptr ? slot->record : nullptr;
  }

  // Forgets the record a reference names (nothing for a stale one).
  void Remove(uintptr_t reference) noexcept {
    Slot* slot = const_cast<Slot*>(SlotOf(reference));
    if (slot == nullptr) return;
    slot->record = nullptr;
    --live_;
    if (++slot->generation > kMaxGeneration) return;  // retired
    auto index = static_cast<uint32_t>(slot - slots_.data());
    slot->nextFree = free_;
    free_ = index;
  }

  // Calls f(record) for every live record.
  template <typename F>
  void ForEach(F&& f) const {
    for (const Slot& slot : slots_) {
      if (slot.record != nullptr) f(slot.record);
    }
  }

  size_t live() const noexcept { return live_; }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  static constexpr uint32_t kMaxGeneration = 0xFFFFFF;  // 24 bits

  struct Slot {
    T* record = nullptr;
    uint32_t generation = 1;
    uint32_t nextFree = kNone;
  };

  // Top byte the kind, then 24 bits of generation, then the slot from 1.
  static uintptr_t Encode(uint32_t index, uint32_t generation) noexcept {
    return (static_cast<uintptr_t>(kKind) << 56) | (static_cast<uintptr_t>(generation) << 32) |
           (static_cast<uintptr_t>(index) + 1);
  }

  const Slot* SlotOf(uintptr_t reference) const noexcept {
    if ((reference >> 56) != static_cast<uintptr_t>(kKind)) return nullptr;
    uint64_t index = (reference & 0xFFFFFFFFu);
    auto generation = static_cast<uint32_t>((reference >> 32) & kMaxGeneration);
    if (index == 0 || index > slots_.size()) return nullptr;
    const Slot& slot = slots_[index - 1];
    if (slot.record == nullptr || slot.generation != generation) return nullptr;
    return &slot;
  }

  std::vector<Slot> slots_;
  uint32_t free_ = kNone;
  size_t live_ = 0;
};

// The table of one kind, made on first use and never destroyed, so that
// records that outlive static destruction can still forget themselves.
template <typename T, HandleKind kKind>
HandleTable<T, kKind>& TableOf() noexcept {
  alignas(HandleTable<T, kKind>) static unsigned char storage[sizeof(HandleTable<T, kKind>)];
  static auto* table = new (storage) HandleTable<T, kKind>();
  return *table;
}

// A record's own reference, a member of the record: 0 until Register gives
// it one, forgotten when the record goes. Copying a record does not copy
// its identity (the copy is a record of its own).
template <typename T, HandleKind kKind>
class Identity {
 public:
  Identity() = default;
  Identity(const Identity&) noexcept {}
  Identity& operator=(const Identity&) noexcept { return *this; }
  ~Identity() { Forget(); }

  // Gives `record` (the owner of this member) its reference, once; false
  // when memory is short.
  bool Register(T* record) noexcept {
    if (value_ == 0) value_ = TableOf<T, kKind>().Add(record);
    return value_ != 0;
  }
  // From now on the reference is refused.
  void Forget() noexcept {
    if (value_ != 0) TableOf<T, kKind>().Remove(value_);
    value_ = 0;
  }
  uintptr_t value() const noexcept { return value_; }
  bool registered() const noexcept { return value_ != 0; }

  // The live record a reference of this kind names, or nullptr.
  static T* Find(const void* reference) noexcept {
    return TableOf<T, kKind>().Find(reinterpret_cast<uintptr_t>(reference));
  }

 private:
  uintptr_t value_ = 0;
};

}  // namespace qtml
