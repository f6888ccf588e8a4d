#include "core/host_members.h"

#include <filesystem>
#include <functional>
#include <map>
#include <system_error>

#include "core/objects.h"
#include "core/runtime_state.h"

namespace fenra::host {
namespace {

namespace fs = std::filesystem;

using Args = std::vector<Value>;
// A member: reads (no args) or calls; false with error set on misuse.
using Member = std::function<bool(HostObject&, Args&, Value&, HostError&)>;
using Setter = std::function<bool(HostObject&, const Value&, HostError&)>;

struct MemberTable {
  std::map<std::string, Member> members;  // folded names
  std::map<std::string, Setter> setters;
};

template <class T>
T& As(HostObject& object) {
  return static_cast<T&>(object);
}

bool NeedArgs(const Args& args, size_t count, HostError& error, const char* what) {
  if (args.size() == count) return true;
  error.message =
      std::string(what) + " takes " + std::to_string(count) + " argument" + (count == 1 ? "" : "s");
  return false;
}

int64_t IntArg(const Value& v) {
  return v.kind == Value::Kind::Double ? static_cast<int64_t>(v.number) : v.integer;
}

MemberTable FolderItemMembers() {
  MemberTable t;
  auto path = [](HostObject& o) { return fs::path(As<FolderItem>(o).Path()); };
  t.members["name"] = [path](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Str(path(o).filename().string());
    return true;
  };
  t.members["nativepath"] = [](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Str(As<FolderItem>(o).Path());
    return true;
  };
  t.members["exists"] = [path](HostObject& o, Args&, Value& out, HostError&) {
    std::error_code ec;
    out = Value::Bool(fs::exists(path(o), ec));
    return true;
  };
  t.members["directory"] = [path](HostObject& o, Args&, Value& out, HostError&) {
    std::error_code ec;
    out = Value::Bool(fs::is_directory(path(o), ec));
    return true;
  };
  t.members["length"] = [path](HostObject& o, Args&, Value& out, HostError&) {
    std::error_code ec;
    auto size = fs::file_size(path(o), ec);
    out = Value::Int(ec ? 0 : static_cast<int64_t>(size));
    return true;
  };
  t.members["child"] = [path](HostObject& o, Args& a, Value& out, HostError& e) {
    if (!NeedArgs(a, 1, e, "Child")) return false;
    out = Value::Obj(Runtime::Get().NewFolderItem((path(o) / a[0].text).string()));
    return true;
  };
  t.members["parent"] = [path](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Obj(Runtime::Get().NewFolderItem(path(o).parent_path().string()));
    return true;
  };
  t.members["delete"] = [path](HostObject& o, Args&, Value& out, HostError&) {
    std::error_code ec;
    fs::remove_all(path(o), ec);
    out = Value::Nil();
    return true;
  };
  t.members["createasfolder"] = [path](HostObject& o, Args&, Value& out, HostError&) {
    std::error_code ec;
    fs::create_directories(path(o), ec);
    out = Value::Nil();
    return true;
  };
  t.members["count"] = [path](HostObject& o, Args&, Value& out, HostError&) {
    std::error_code ec;
    int64_t count = 0;
    for (auto it = fs::directory_iterator(path(o), ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
      ++count;
    }
    out = Value::Int(count);
    return true;
  };
  t.members["item"] = [path](HostObject& o, Args& a, Value& out, HostError& e) {
    if (!NeedArgs(a, 1, e, "Item")) return false;
    std::vector<fs::path> entries;
    std::error_code ec;
    for (auto it = fs::directory_iterator(path(o), ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
      entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    int64_t index = IntArg(a[0]);
    out = index >= 1 && index <= static_cast<int64_t>(entries.size())
              ? Value::Obj(Runtime::Get().NewFolderItem(entries[index - 1].string()))
              : Value::Nil();
    return true;
  };
  return t;
}

MemberTable PictureMembers() {
  MemberTable t;
  t.members["width"] = [](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Int(As<Picture>(o).Width());
    return true;
  };
  t.members["height"] = [](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Int(As<Picture>(o).Height());
    return true;
  };
  t.members["depth"] = [](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Int(As<Picture>(o).Depth());
    return true;
  };
  return t;
}

MemberTable MemoryBlockMembers() {
  MemberTable t;
  t.members["size"] = [](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Int(static_cast<int64_t>(As<MemoryBlock>(o).Bytes().size()));
    return true;
  };
  t.members["byte"] = [](HostObject& o, Args& a, Value& out, HostError& e) {
    if (!NeedArgs(a, 1, e, "Byte")) return false;
    auto& bytes = As<MemoryBlock>(o).Bytes();
    int64_t at = IntArg(a[0]);
    if (at < 0 || at >= static_cast<int64_t>(bytes.size())) {
      e.message = "MemoryBlock.Byte: offset " + std::to_string(at) + " is out of bounds";
      return false;
    }
    out = Value::Int(bytes[static_cast<size_t>(at)]);
    return true;
  };
  return t;
}

MemberTable ControlMembers() {
  MemberTable t;
  auto side = [](short Rect::*low, short Rect::*high, bool size) {
    return [low, high, size](HostObject& o, Args&, Value& out, HostError&) {
      const Rect& r = As<Control>(o).bounds;
      out = Value::Int(size ? r.*high - r.*low : r.*low);
      return true;
    };
  };
  t.members["left"] = side(&Rect::left, &Rect::right, false);
  t.members["top"] = side(&Rect::top, &Rect::bottom, false);
  t.members["width"] = side(&Rect::left, &Rect::right, true);
  t.members["height"] = side(&Rect::top, &Rect::bottom, true);
  auto set = [](short Rect::*low, short Rect::*high, bool size) {
    return [low, high, size](HostObject& o, const Value& v, HostError&) {
      Rect& r = As<Control>(o).bounds;
      short value = static_cast<short>(IntArg(v));
      if (size) {
        r.*high = static_cast<short>(r.*low + value);
      } else {
        r.*high = static_cast<short>(r.*high + value - r.*low);
        r.*low = value;
      }
      return true;
    };
  };
  t.setters["left"] = set(&Rect::left, &Rect::right, false);
  t.setters["top"] = set(&Rect::top, &Rect::bottom, false);
  t.setters["width"] = set(&Rect::left, &Rect::right, true);
  t.setters["height"] = set(&Rect::top, &Rect::bottom, true);
  return t;
}

MemberTable MoviePlayerMembers() {
  MemberTable t = ControlMembers();
  t.members["movie"] = [](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Obj(As<MoviePlayer>(o).Movie());
    return true;
  };
  t.setters["movie"] = [](HostObject& o, const Value& v, HostError&) {
    As<MoviePlayer>(o).SetMovie(v.object);
    return true;
  };
  return t;
}

MemberTable WindowMembers() {
  MemberTable t;
  t.members["width"] = [](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Int(As<Window>(o).Width());
    return true;
  };
  t.members["height"] = [](HostObject& o, Args&, Value& out, HostError&) {
    out = Value::Int(As<Window>(o).Height());
    return true;
  };
  return t;
}

const MemberTable* TableFor(const ClassInfo& cls) {
  static const std::map<std::string, MemberTable> tables = {
      {"folderitem", FolderItemMembers()},   {"picture", PictureMembers()},
      {"memoryblock", MemoryBlockMembers()}, {"control", ControlMembers()},
      {"rectcontrol", ControlMembers()},     {"movieplayer", MoviePlayerMembers()},
      {"window", WindowMembers()},           {"movie", MemberTable{}},
  };
  auto found = tables.find(Fold(cls.name));
  return found != tables.end() ? &found->second : nullptr;
}

HostObject* Target(const Value& target) {
  return target.kind == Value::Kind::Object ? static_cast<HostObject*>(target.object.get())
                                            : nullptr;
}

std::string Describe(const Value& target, std::string_view name) {
  std::string owner = target.kind == Value::Kind::Object ? target.object->Class().name : "value";
  return owner + "." + std::string(name);
}

}  // namespace

bool NewHostObject(const ClassInfo& cls, const std::vector<Value>& args, Value& out,
                   HostError& error) {
  std::string name = Fold(cls.name);
  auto number = [&args](size_t i, int64_t fallback) {
    return i < args.size() ? IntArg(args[i]) : fallback;
  };
  if (name == "picture") {
    out = Value::Obj(Runtime::Get().NewPicture(static_cast<int>(number(0, 0)),
                                               static_cast<int>(number(1, 0)),
                                               static_cast<int>(number(2, 32))));
  } else if (name == "memoryblock") {
    out = Value::Obj(Runtime::Get().NewMemoryBlock(number(0, 0)));
  } else if (name == "window") {
    out = Value::Obj(Runtime::Get().NewWindow(static_cast<int>(number(0, 640)),
                                              static_cast<int>(number(1, 480))));
  } else if (name == "movieplayer" || name == "rectcontrol" || name == "control") {
    out = Value::Obj(Adopt(name == "movieplayer" ? new MoviePlayer : new Control));
  } else if (name == "folderitem" && args.size() == 1) {
    out = Value::Obj(Runtime::Get().NewFolderItem(args[0].text));
  } else {
    error.message = "cannot make a new " + cls.name;
    return false;
  }
  return true;
}

bool GetHostMember(const Value& target, std::string_view name, Value& out, HostError& error) {
  Args none;
  return CallHostMember(target, name, none, out, error);
}

bool SetHostMember(const Value& target, std::string_view name, const Value& value,
                   HostError& error) {
  HostObject* object = Target(target);
  const MemberTable* table = object != nullptr ? TableFor(object->Class()) : nullptr;
  auto found =
      table != nullptr ? table->setters.find(Fold(name)) : decltype(table->setters.end()){};
  if (table == nullptr || found == table->setters.end()) {
    error.message = "cannot assign to " + Describe(target, name);
    return false;
  }
  return found->second(*object, value, error);
}

bool CallHostMember(const Value& target, std::string_view name, std::vector<Value>& args,
                    Value& out, HostError& error) {
  HostObject* object = Target(target);
  const MemberTable* table = object != nullptr ? TableFor(object->Class()) : nullptr;
  if (table == nullptr) {
    error.message = "no member " + Describe(target, name);
    return false;
  }
  auto found = table->members.find(Fold(name));
  if (found == table->members.end()) {
    error.message = "no member " + Describe(target, name);
    return false;
  }
  return found->second(*object, args, out, error);
}

}  // namespace fenra::host
