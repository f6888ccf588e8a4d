// What the host services a plugin calls while a movie plays or renders
// cost, a call each: a plugin property read as the host reads it (by name,
// through the bound getter, by Scalars), a string made, read and released,
// a reference taken and dropped, a picture's description locked and
// unlocked, and a frame's picture made from the engine's world. The plugin
// is the one built beside the runtime.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "QDOffscreen.h"
#include "QTML.h"
#include "fenra_host/runtime.h"

namespace {

using fenra::host::ClassInfo;
using fenra::host::HostError;
using fenra::host::ObjectRef;
using fenra::host::Runtime;
using fenra::host::Scalar;
using fenra::host::Value;

template <class Proc>
Proc Service(const char* name) {
  return reinterpret_cast<Proc>(Runtime::Resolver()(name));
}

bool PluginLoaded() {
  static const bool loaded = [] {
    std::string error;
    return Runtime::Get().LoadPlugin(Runtime::DefaultPluginPath(), error);
  }();
  return loaded;
}

// A FenraRect(3, 4), or Nil when the plugin did not load.
Value NewRect() {
  Value rect;
  const ClassInfo* cls = PluginLoaded() ? Runtime::Get().FindClass("FenraRect") : nullptr;
  HostError error;
  if (cls == nullptr || !Runtime::Get().New(*cls, {Value::Int(3), Value::Int(4)}, rect, error)) {
    return {};
  }
  return rect;
}

void BM_PropertyByName(benchmark::State& state) {
  Value rect = NewRect();
  if (rect.kind != Value::Kind::Object) return state.SkipWithError("no FenraRect");
  Value out;
  HostError error;
  for (auto _ : state) {
    Runtime::Get().GetProperty(rect, "width", out, error);
    benchmark::DoNotOptimize(out.integer);
  }
}
BENCHMARK(BM_PropertyByName);

void BM_PropertyBound(benchmark::State& state) {
  Value rect = NewRect();
  if (rect.kind != Value::Kind::Object) return state.SkipWithError("no FenraRect");
  const auto* getter = Runtime::Get().BindProperty(rect.object->Class(), "width");
  if (getter == nullptr) return state.SkipWithError("width is not bound");
  Value out;
  HostError error;
  for (auto _ : state) {
    Runtime::Get().GetBound(*getter, rect, out, error);
    benchmark::DoNotOptimize(out.integer);
  }
}
BENCHMARK(BM_PropertyBound);

void BM_PropertyScalar(benchmark::State& state) {
  Value rect = NewRect();
  if (rect.kind != Value::Kind::Object) return state.SkipWithError("no FenraRect");
  const auto* getter = Runtime::Get().BindProperty(rect.object->Class(), "width");
  if (getter == nullptr) return state.SkipWithError("width is not bound");
  Scalar out{};
  HostError error;
  for (auto _ : state) {
    Runtime::Get().CallScalar(*getter, *rect.object.get(), nullptr, 0, out, error);
    benchmark::DoNotOptimize(out.integer);
  }
}
BENCHMARK(BM_PropertyScalar);

// A four-character code, as the plugin hands most strings back, and a
// longer text, as names and paths are.
void BM_StringMakeReadRelease(benchmark::State& state) {
  auto build = Service<REALBuildStringProc>("REALBuildString");
  auto text = Service<StringGetCStringProc>("StringGetCString");
  auto unlock = Service<REALUnlockObjectProc>("REALUnlockObject");
  std::string source(static_cast<size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    REALstring s = build(source.data(), static_cast<intptr_t>(source.size()));
    benchmark::DoNotOptimize(text(s));
    unlock(reinterpret_cast<REALobject>(s));
  }
}
BENCHMARK(BM_StringMakeReadRelease)->Arg(4)->Arg(64);

void BM_LockUnlockObject(benchmark::State& state) {
  ObjectRef picture = Runtime::Get().NewPicture(16, 16, 32);
  auto lock = Service<REALLockObjectProc>("REALLockObject");
  auto unlock = Service<REALUnlockObjectProc>("REALUnlockObject");
  REALobject handle = picture->Handle();
  for (auto _ : state) {
    lock(handle);
    unlock(handle);
  }
}
BENCHMARK(BM_LockUnlockObject);

void BM_PictureDescription(benchmark::State& state) {
  ObjectRef picture = Runtime::Get().NewPicture(640, 480, 32);
  auto lock = Service<lockPictureDescriptionProc>("lockPictureDescription");
  auto unlock = Service<unlockPictureDescriptionProc>("unlockPictureDescription");
  auto handle = reinterpret_cast<REALpicture>(picture->Handle());
  for (auto _ : state) {
    REALpictureDescription description{};
    lock(handle, &description);
    benchmark::DoNotOptimize(description.pictureData);
    unlock(handle);
  }
}
BENCHMARK(BM_PictureDescription);

// A frame as the plugin hands one to a script: a picture made from the
// engine's 640 x 480 world of 32 bits, then let go. BM_CopyFramePixels
// copies the same bytes once: the least such a call can cost.
void BM_PictureFromWorld(benchmark::State& state) {
  if (InitializeQTML(0) != noErr) return state.SkipWithError("QuickTime did not start");
  Rect bounds{0, 0, 480, 640};
  GWorldPtr world = nullptr;
  if (NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0) != noErr) {
    return state.SkipWithError("no world");
  }
  auto build = Service<REALBuildPictureFromGWorldProc>("REALBuildPictureFromGWorld");
  auto unlock = Service<REALUnlockObjectProc>("REALUnlockObject");
  for (auto _ : state) {
    REALpicture picture = build(world, false);
    if (picture == nullptr) return state.SkipWithError("no picture");
    unlock(reinterpret_cast<REALobject>(picture));
  }
  DisposeGWorld(world);
}
BENCHMARK(BM_PictureFromWorld);

void BM_CopyFramePixels(benchmark::State& state) {
  std::vector<uint32_t> from(640 * 480, 0xFF102030u);
  for (auto _ : state) {
    std::vector<uint32_t> to(from.size());
    std::memcpy(to.data(), from.data(), from.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(to.data());
  }
}
BENCHMARK(BM_CopyFramePixels);

}  // namespace
