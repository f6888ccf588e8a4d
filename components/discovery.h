// Component and codec discovery: the natives behind FenraComponent,
// FenraComponentList, FenraCodec and FenraCodecList. Each is filled once,
// when it is made; a list is a snapshot of what QuickTime had then.
#pragma once

#include <cstdint>
#include <memory>

#include "ImageCompression.h"
#include "Movies.h"
#include "plugin/native_object.h"

namespace fenra {

// One installed component: its description, name and four-character texts.
class ComponentNative final : public NativeObject {
 public:
  ComponentNative() = default;
  // An independent copy: the same component, filled again.
  ComponentNative(const ComponentNative& other);
  ComponentNative& operator=(const ComponentNative&) = delete;
  ~ComponentNative() = default;

  bool IsValid() const override { return component != nullptr; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(component); }

  // Fills everything from the component; err -50 when there is none,
  // otherwise GetComponentInfo's result, or the failure to read its name
  // (the handle's size, a length byte past the end, no memory).
  void Fill(Component found);

  Component component = nullptr;
  ComponentDescription description{};
  std::unique_ptr<char[]> name;  // without the length byte; null when none
  char typeText[5] = {};
  char subtypeText[5] = {};
  char manufacturerText[5] = {};

 private:
  // Keeps the Pascal string in the handle as `name`.
  OSErr CopyName(Handle nameHandle);
};

// The components matching a description, one 'CMPL' child atom each,
// holding the Component, in the order QuickTime's search found them.
class ComponentListNative final : public NativeObject {
 public:
  static constexpr OSType kAtomType = 'CMPL';

  ComponentListNative() = default;
  ComponentListNative(const ComponentListNative&) = delete;
  ComponentListNative& operator=(const ComponentListNative&) = delete;
  ~ComponentListNative();

  bool IsValid() const override { return container != nullptr && atomType != 0 && entrySize != 0; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(container); }

  // Makes the empty container; err is QTNewAtomContainer's result.
  void Create();
  // Makes the container a copy of another list's, with its atom type and
  // entry size; err is QTCopyAtom's result.
  void CopyFrom(const ComponentListNative& other);
  // Appends every component matching the description.
  void Fill(ComponentDescription looking);
  short Count() const;
  // The i-th component (from 0), or null; err is the copy's result.
  Component Item(short i);

  QTAtomContainer container = nullptr;
  OSType atomType = kAtomType;
  long entrySize = sizeof(Component);
};

// The capabilities of one image codec, from GetCodecInfo.
class CodecNative final : public NativeObject {
 public:
  bool IsValid() const override { return codecType != 0; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(&info); }

  // GetCodecInfo for the type and codec component (0: any); on success the
  // type, codec and name are kept. err is its result.
  void Load(OSType type, Component component);
  // Whether every bit of mask is set in flags; false when invalid.
  bool Has(SInt32 flags, SInt32 mask) const;

  CodecInfo info{};
  OSType codecType = 0;
  Component codec = nullptr;
  char name[32] = {};
  char scratch[5] = {};
};

// The codec name list of every installed compressor.
class CodecListNative final : public NativeObject {
 public:
  CodecListNative() = default;
  CodecListNative(const CodecListNative&) = delete;
  CodecListNative& operator=(const CodecListNative&) = delete;
  ~CodecListNative();

  bool IsValid() const override { return list != nullptr; }

  // GetCodecNameList with show-all 1; err is its result.
  void Load();
  short Count() const { return list != nullptr ? list->count : 0; }

  CodecNameSpecListPtr list = nullptr;
};

// The component description a FenraComponentList selector (1 to 8)
// stands for; false for any other selector.
bool DescriptionForSelector(int64_t selector, ComponentDescription* description);

}  // namespace fenra
