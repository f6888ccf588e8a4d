// What the fuzz targets share: the engine started once, and the input as a
// handle or as a file of its own.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "MacMemory.h"
#include "Movies.h"
#include "QTML.h"

namespace fuzz {

inline void StartEngine() {
  static bool started = [] {
    InitializeQTML(0);
    EnterMovies();
    return true;
  }();
  (void)started;
}

// A new handle holding the input (owned by the caller), or nullptr.
inline Handle HandleOf(const uint8_t* data, size_t size) {
  Handle h = nullptr;
  PtrToHand(data, &h, static_cast<long>(size));
  return h;
}

// A file in the temporary folder named for this process.
inline std::string ScratchPath(const char* name) {
  const char* tmp = getenv("TMPDIR");
  return std::string(tmp != nullptr ? tmp : "/tmp") + "/fenra-fuzz-" + std::to_string(getpid()) +
         "-" + name;
}

inline bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = fwrite(data, 1, size, file) == size;
  return fclose(file) == 0 && written;
}

inline FSSpec SpecOf(const std::string& path) {
  FSSpec spec{};
  std::string copy = path;
  NativePathNameToFSSpec(copy.data(), &spec, 0);
  return spec;
}

}  // namespace fuzz
