// What a bound member holds: the function behind a member of one class,
// found once (Runtime::BindProperty, Runtime::BindMethod).
#pragma once

#include <memory>

#include "core/calls.h"
#include "core/host_classes.h"
#include "fenra_host/runtime.h"

namespace fenra::host {

class BoundMember {
 public:
  enum class Kind {
    StandardField,  // a plugin property the host reads in the instance's data
    PluginGetter,   // a plugin property with its own getter
    PluginMethod,   // an overload of a plugin method
    HostCall        // a host class's property or method
  };
  Kind kind = Kind::HostCall;
  // StandardField: where in an instance the field is, and its type.
  size_t offset = 0;
  TypeName type;
  // PluginGetter and PluginMethod: the plugin's function.
  REALproc function = nullptr;
  intptr_t param = 0;
  WireType wire = WireType::Void;
  // PluginMethod and a HostCall method: the chosen overload.
  const Declaration* declaration = nullptr;
  std::shared_ptr<const PreparedCall> prepared;
  // HostCall: the member's work, and how its parameters cross.
  MemberCall call = nullptr;
  std::vector<WireType> wires;
  // A HostCall method: how its result crosses, and its work on Scalars
  // when it has that form.
  WireType result = WireType::Void;
  ScalarMemberCall scalar = nullptr;
};

}  // namespace fenra::host
