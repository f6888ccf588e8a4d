// The plugin's settings files (a preamble, a marker and an atom container
// of records) read from any bytes, every record taken out.
#include "fuzz_support.h"
#include "plugin/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartEngine();
  static const std::string path = fuzz::ScratchPath("settings.udat");
  if (!fuzz::WriteFile(path, data, size)) return 0;
  fenra::SettingsFile file;
  file.ReadFile(path);
  if (file.err != 0) return 0;
  file.TypeCode();
  for (long i = 0; i <= file.dataCount + 1 && i < 16; ++i) {
    Handle package = nullptr;
    fenra::SettingsRecord record;
    if (file.GetRecord(i, &package, &record) == noErr) DisposeHandle(package);
  }
  return 0;
}
