// Finds, before a program runs, where each of its variables will be kept:
// slots of a method's frame and of the script's globals, so that running
// looks no name up.
#pragma once

#include <string>
#include <unordered_map>

#include "script/ast.h"

namespace fenra::host::script {

// The global slots handed out so far: one a folded name, kept from one
// chunk of the interactive prompt to the next.
class GlobalNames {
 public:
  int SlotOf(const std::string& folded);
  size_t Count() const { return slots_.size(); }

 private:
  std::unordered_map<std::string, int> slots_;
};

// Fills the slots of every name used or declared in `program`: its methods'
// locals (parameters, Dims and loop variables) and everyone's global slot.
void ResolveNames(Program& program, GlobalNames& globals);

}  // namespace fenra::host::script
