// Big-endian reads and writes of the byte formats the engine keeps
// (atom containers, pictures, Finder info).
#pragma once

#include <cstdint>

namespace qtml {

inline uint16_t ReadBE16(const void* at) {
  const auto* p = static_cast<const uint8_t*>(at);
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline uint32_t ReadBE32(const void* at) {
  const auto* p = static_cast<const uint8_t*>(at);
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

inline void WriteBE16(void* at, uint16_t value) {
  auto* p = static_cast<uint8_t*>(at);
  p[0] = static_cast<uint8_t>(value >> 8);
  p[1] = static_cast<uint8_t>(value);
}

inline void WriteBE32(void* at, uint32_t value) {
  auto* p = static_cast<uint8_t*>(at);
  p[0] = static_cast<uint8_t>(value >> 24);
  p[1] = static_cast<uint8_t>(value >> 16);
  p[2] = static_cast<uint8_t>(value >> 8);
  p[3] = static_cast<uint8_t>(value);
}

}  // namespace qtml
