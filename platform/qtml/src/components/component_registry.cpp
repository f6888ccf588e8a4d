#include "components/component_registry.h"

#include <iterator>
#include <memory>
#include <vector>

#include "components/codecs.h"
#include "components/effects.h"
#include "data/data_handler.h"
#include "components/importers.h"
#include "components/standard_compression.h"
#include "memory/memory.h"
#include "movies/movie_controller.h"

namespace qtml {
namespace {

// The engine's own components, in the order FindNextComponent meets them.
// Clocks and data handlers are listed now; their work arrives with movies.
const ComponentEntry kEngineComponents[] = {
    {'clok', 'micr', 'appl', 0, "Microsecond Clock", "Time from the system's microsecond counter",
     0x00070000, nullptr},
    {'clok', 'tick', 'appl', 0, "Tick Clock", "Time in ticks of a sixtieth of a second", 0x00070000,
     nullptr},
    {'dhlr', 'alis', 'appl', 0, "File Data Handler", "Reads and writes files", 0x00070000,
     NewDataHandlerImplementation},
    {'dhlr', 'hndl', 'appl', 0, "Handle Data Handler", "Reads and writes handles in memory",
     0x00070000, NewDataHandlerImplementation},
    {'dhlr', 'ptr ', 'appl', 0, "Pointer Data Handler", "Reads blocks of memory", 0x00070000,
     NewDataHandlerImplementation},
    {'dhlr', 'url ', 'appl', 0, "URL Data Handler", "Reads data named by URLs", 0x00070000,
     NewDataHandlerImplementation},
    {'play', 0, 'appl', 0, "Movie Controller", "The standard movie controller", 0x00070000,
     NewMovieControllerImplementation},
};

// Devices of the engine's own, after the codecs and formats: a digitizer
// that makes its pictures itself, and an output to a window.
const ComponentEntry kDeviceComponents[] = {
    {'vdig', 'tpat', 'appl', 0, "Test Pattern Digitizer", "Digitizes generated test pictures",
     0x00070000, nullptr},
    {'vout', 'wind', 'appl', 0, "Window Video Output", "Shows video in a window of its own",
     0x00070000, nullptr},
};

// Every component of the engine, in the order FindNextComponent meets
// them: those above, then what FFmpeg lets the engine offer.
std::vector<ComponentEntry> EngineEntries() {
  std::vector<ComponentEntry> entries(std::begin(kEngineComponents), std::end(kEngineComponents));
  AppendCodecComponents(&entries);
  AppendEffectComponents(&entries);
  AppendFormatComponents(&entries);
  AppendStandardCompressionComponents(&entries);
  entries.insert(entries.end(), std::begin(kDeviceComponents), std::end(kDeviceComponents));
  return entries;
}

struct Registry {
  std::vector<std::unique_ptr<ComponentRecord>> components;
};

std::unique_ptr<ComponentRecord> MakeRecord(const ComponentEntry& entry, bool builtIn) {
  auto record = std::make_unique<ComponentRecord>();
  record->entry = entry;
  record->name = entry.name != nullptr ? entry.name : "";
  record->info = entry.info != nullptr ? entry.info : "";
  record->entry.name = record->name.c_str();
  record->entry.info = record->info.c_str();
  record->builtIn = builtIn;
  return record;
}

Registry& TheRegistry() {
  static Registry registry = [] {
    FaultsSuspended building;
    Registry r;
    // Only memory exhaustion at start-up could stop this; the engine then
    // offers the components it could record.
    try {
      for (const ComponentEntry& entry : EngineEntries()) {
        r.components.push_back(MakeRecord(entry, true));
      }
    } catch (...) {
    }
    return r;
  }();
  return registry;
}

bool Matches(const ComponentEntry& entry, const ComponentDescription& looking) {
  if (looking.componentType != 0 && looking.componentType != entry.type) return false;
  if (looking.componentSubType != 0 && looking.componentSubType != entry.subType) return false;
  if (looking.componentManufacturer != 0 && looking.componentManufacturer != entry.manufacturer) {
    return false;
  }
  UInt32 mask = looking.componentFlagsMask;
  return (entry.flags & mask) == (looking.componentFlags & mask);
}

}  // namespace

ComponentRecord* FindComponentRecord(Component component) noexcept {
  for (const auto& record : TheRegistry().components) {
    if (record.get() == component) return record.get();
  }
  return nullptr;
}

ComponentInstanceRecord* FindInstanceRecord(ComponentInstance instance) noexcept {
  return decltype(ComponentInstanceRecord::reference)::Find(instance);
}

ComponentRecord* ComponentOrInstance(Component component) noexcept {
  ComponentRecord* record = FindComponentRecord(component);
  if (record != nullptr) return record;
  ComponentInstanceRecord* instance =
      FindInstanceRecord(reinterpret_cast<ComponentInstance>(component));
  return instance != nullptr ? instance->component : nullptr;
}

Component NextMatching(Component previous, const ComponentDescription* looking) noexcept {
  const auto& components = TheRegistry().components;
  size_t start = 0;
  if (previous != nullptr) {
    while (start < components.size() && components[start].get() != previous) ++start;
    if (start == components.size()) return nullptr;
    ++start;
  }
  for (size_t i = start; i < components.size(); ++i) {
    if (looking == nullptr || Matches(components[i]->entry, *looking)) return components[i].get();
  }
  return nullptr;
}

OSErr OpenInstance(ComponentRecord* component, ComponentInstance* result) noexcept {
  *result = nullptr;
  ImplementationFactory create = component->entry.create;
  ComponentImplementation* implementation =
      create != nullptr ? create() : NewObject<ComponentImplementation>();
  auto* instance = NewObject<ComponentInstanceRecord>();
  if (instance == nullptr || implementation == nullptr || !instance->reference.Register(instance)) {
    delete implementation;
    delete instance;
    return memFullErr;
  }
  instance->component = component;
  instance->implementation = implementation;
  auto self = reinterpret_cast<ComponentInstance>(instance->reference.value());
  OSErr err = implementation->Open(self);
  if (err != noErr) {
    delete implementation;
    delete instance;
    return err;
  }
  ++component->instances;
  *result = self;
  return noErr;
}

OSErr CloseInstance(ComponentInstanceRecord* instance) noexcept {
  OSErr err = instance->implementation->Close();
  instance->reference.Forget();
  --instance->component->instances;
  delete instance->implementation;
  delete instance;
  return err;
}

ComponentImplementation* ImplementationOf(ComponentInstance instance) noexcept {
  ComponentInstanceRecord* record = FindInstanceRecord(instance);
  return record != nullptr ? record->implementation : nullptr;
}

Component AddComponent(const ComponentEntry& entry) {
  return Guarded<Component>(nullptr, [&]() -> Component {
    if (!AllocationAllowed()) return nullptr;
    auto& components = TheRegistry().components;
    components.push_back(MakeRecord(entry, false));
    return components.back().get();
  });
}

bool RemoveComponent(Component component) {
  auto& components = TheRegistry().components;
  for (auto it = components.begin(); it != components.end(); ++it) {
    if (it->get() != component) continue;
    if ((*it)->builtIn || (*it)->instances > 0) return false;
    components.erase(it);
    return true;
  }
  return false;
}

}  // namespace qtml
