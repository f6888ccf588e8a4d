// Replays inputs through a fuzz target without libFuzzer, for the normal
// and sanitizer builds: every file named, and every file in the folders
// named. Fails only by crashing or by a sanitizer's report.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void Replay(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  std::printf("%s (%zu bytes)\n", path.filename().c_str(), bytes.size());
  std::fflush(stdout);
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path path(argv[i]);
    if (!std::filesystem::is_directory(path)) {
      Replay(path);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(path)) Replay(entry.path());
  }
  return 0;
}
