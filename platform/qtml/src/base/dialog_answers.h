// The scripted answers that stand in for a user at the engine's dialogs.
#pragma once

#include <string>

namespace qtml {

// Takes the oldest queued answer: true with the chosen file's native path,
// false when the user cancels (a nil answer, or none queued).
bool TakeDialogAnswer(std::string* path) noexcept;

}  // namespace qtml
