// What graphics and movie exporters share: their dialogs' scripted
// answers, and files written aside and put in place whole.
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>

#include "base/dialog_answers.h"
#include "components/exporters.h"
#include "files/finder_info.h"
#include "files/os.h"

namespace qtml {
namespace {

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string AsidePath(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return directory + ".export-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

}  // namespace

bool TakeSettingsAnswer(std::vector<DialogSetting>* settings) {
  std::string answer;
  if (!TakeDialogAnswer(&answer)) return false;
  settings->clear();
  size_t start = 0;
  while (start < answer.size()) {
    size_t end = answer.find(',', start);
    if (end == std::string::npos) end = answer.size();
    std::string pair = answer.substr(start, end - start);
    size_t equals = pair.find('=');
    if (equals != std::string::npos) {
      std::string name = Trimmed(pair.substr(0, equals));
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      // A code keeps its spaces: "raw " is not "raw".
      std::string value = pair.substr(equals + 1);
      settings->push_back({name, value});
    }
    start = end + 1;
  }
  return true;
}

long DialogNumber(const std::string& value) {
  std::string text = Trimmed(value);
  char* end = nullptr;
  long number = std::strtol(text.c_str(), &end, 0);
  if (!text.empty() && end != nullptr && *end == '\0') return number;
  return static_cast<long>(DialogCode(value));
}

OSType DialogCode(const std::string& value) {
  OSType code = 0;
  for (size_t i = 0; i < 4; ++i) {
    unsigned char c = i < value.size() ? static_cast<unsigned char>(value[i]) : ' ';
    code = (code << 8) | c;
  }
  return code;
}

OSErr WriteFileWhole(const std::string& path, const std::string& bytes, OSType type,
                     OSType creator) {
  os::EntryKind kind = os::EntryKind::kMissing;
  if (OSErr err = os::KindAt(path, &kind)) return err;
  if (kind != os::EntryKind::kMissing && kind != os::EntryKind::kFile) return notAFileErr;
  std::string aside = AsidePath(path);
  OSErr err = os::WriteWholeFile(aside, bytes);
  if (err == noErr) err = os::Rename(aside, path);
  if (err != noErr) {
    os::RemoveFile(aside);
    return err;
  }
  FInfo info = {};
  info.fdType = type;
  info.fdCreator = creator;
  WriteFinderInfo(path, info);  // a file system without any place for them keeps none
  return noErr;
}

}  // namespace qtml
