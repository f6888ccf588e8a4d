// The members scripts use on the host's own classes: FolderItem, Picture,
// MemoryBlock, Movie, MoviePlayer, Window and controls.
#pragma once

#include <string_view>
#include <vector>

#include "fenra_host/runtime.h"

namespace fenra::host {

bool NewHostObject(const ClassInfo& cls, const std::vector<Value>& args, Value& out,
                   HostError& error);
bool GetHostMember(const Value& target, std::string_view name, Value& out, HostError& error);
bool SetHostMember(const Value& target, std::string_view name, const Value& value,
                   HostError& error);
bool CallHostMember(const Value& target, std::string_view name, std::vector<Value>& args,
                    Value& out, HostError& error);

}  // namespace fenra::host
