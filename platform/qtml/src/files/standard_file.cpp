// The standard file dialogs. No window is shown: the user's choice is the
// next scripted answer (QTMLTest_QueueDialogAnswer); without one, a path
// typed at the terminal when a person runs the program there; otherwise
// the dialog is cancelled.
#include <cstring>
#include <string>

#include "ImageCompression.h"
#include "QTMLTestControls.h"
#include "StandardFile.h"
#include "base/api_call.h"
#include "base/dialog_answers.h"
#include "files/files.h"
#include "files/finder_info.h"
#include "memory/memory.h"
#include "files/os.h"

namespace qtml {
namespace {

void Cancelled(StandardFileReply* reply) {
  std::memset(reply, 0, sizeof *reply);
}

OSType TypeOfFile(const std::string& path) {
  FInfo info{};
  if (ReadFinderInfo(path, &info) == noErr && info.fdType != 0) return info.fdType;
  return TypeForExtension(path);
}

bool TypeListed(OSType type, short numTypes, ConstSFTypeListPtr typeList) {
  if (numTypes < 0 || typeList == nullptr) return true;
  for (short i = 0; i < numTypes; ++i) {
    if (typeList[i] == type) return true;
  }
  return false;
}

// Fills the reply for the chosen path; false when it names no file the
// dialog could have offered.
bool Chosen(const std::string& path, short numTypes, ConstSFTypeListPtr typeList,
            StandardFileReply* reply) {
  if (os::KindOf(path) != os::EntryKind::kFile) return false;
  OSType type = TypeOfFile(path);
  if (!TypeListed(type, numTypes, typeList)) return false;
  if (PathToSpec(path, &reply->sfFile) != noErr) return false;
  reply->sfGood = true;
  reply->sfType = type;
  return true;
}

// The user's answer at a file dialog: a path, or false for cancel. A
// path typed at the terminal loses the spaces and quotes around it (a file
// dropped on a terminal comes quoted); an empty line cancels.
bool Answer(const char* question, std::string* path) {
  if (QTMLTest_PendingDialogAnswers() > 0 || !os::PersonAtTerminal()) {
    return TakeDialogAnswer(path);
  }
  os::WriteStandardError(std::string(question) + " (a path; nothing to cancel): ");
  if (!os::ReadStandardInputLine(path)) return false;
  const char* kAround = " \t\r'\"";
  size_t first = path->find_first_not_of(kAround);
  if (first == std::string::npos) return false;
  *path = path->substr(first, path->find_last_not_of(kAround) - first + 1);
  return true;
}

void GetFile(short numTypes, ConstSFTypeListPtr typeList, StandardFileReply* reply) {
  Cancelled(reply);
  std::string path;
  if (!Answer("Open a file", &path)) return;
  if (!Chosen(path, numTypes, typeList, reply)) Cancelled(reply);
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API void StandardGetFile(FileFilterUPP fileFilter, short numTypes, ConstSFTypeListPtr typeList,
                              StandardFileReply* reply) try {
  qtml::ApiCall call("StandardGetFile", fileFilter, numTypes, typeList, reply);
  if (reply == nullptr) return;
  qtml::GuardedVoid([&] { qtml::GetFile(numTypes, typeList, reply); });
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void StandardGetFilePreview(FileFilterUPP fileFilter, short numTypes,
                                     ConstSFTypeListPtr typeList, StandardFileReply* reply) try {
  qtml::ApiCall call("StandardGetFilePreview", fileFilter, numTypes, typeList, reply);
  if (reply == nullptr) return;
  qtml::GuardedVoid([&] { qtml::GetFile(numTypes, typeList, reply); });
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void StandardPutFile(ConstStr255Param prompt, ConstStr255Param defaultName,
                              StandardFileReply* reply) try {
  qtml::ApiCall call("StandardPutFile", qtml::PString{prompt}, qtml::PString{defaultName}, reply);
  if (reply == nullptr) return;
  qtml::GuardedVoid([&] {
    qtml::Cancelled(reply);
    std::string path;
    if (!qtml::Answer("Save as", &path)) return;
    // A file that does not exist yet still has a spec (answered with fnfErr).
    OSErr err = qtml::PathToSpec(path, &reply->sfFile);
    if (err != noErr && err != fnfErr) {
      qtml::Cancelled(reply);
      return;
    }
    reply->sfGood = true;
    reply->sfReplacing = qtml::os::KindOf(path) == qtml::os::EntryKind::kFile;
    reply->sfType = qtml::TypeOfFile(path);
  });
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
