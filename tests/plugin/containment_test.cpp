// An exception thrown in a glue function stops in the record's thunk: the
// caller gets the neutral value of the result type, a class-tree
// instance's native object reads memFullErr, and the call returns normally.
// The glue functions are this test's own, put into records by the builders;
// each record's function is called with the C type the host calls it with.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "plugin/glue.h"
#include "plugin/registration.h"

namespace {

constexpr int32_t kMemFullErr = -108;

class ProbeNative final : public fenra::NativeObject {
 public:
  bool IsValid() const override { return true; }
};

// An instance as the host lays one out, the root's data at the offset in
// the root's record; zero-filled, so without a native until given one.
class Instance {
 public:
  REALobject Handle() { return reinterpret_cast<REALobject>(bytes_); }
  fenra::NativeObject* Native() { return fenra::GetNativeObject(Handle()); }

 private:
  alignas(8) unsigned char bytes_[64] = {};
};

// Twice answers 2n, or throws for a negative n; the others always throw,
// each something else.
RBInteger Twice(REALobject, RBInteger n) {
  if (n < 0) throw std::bad_alloc();
  return 2 * n;
}
REALstring Name(REALobject) {
  throw std::runtime_error("no name");
}
REALobject Peer(REALobject) {
  throw 7;
}
REALstring GetItem(REALobject, RBInteger) {
  throw std::out_of_range("item");
}
void SetItem(REALobject, RBInteger, REALstring) {
  throw std::bad_alloc();
}
double GetScale(REALobject, intptr_t) {
  throw std::length_error("scale");
}
void SetScale(REALobject, intptr_t, double) {
  throw std::bad_alloc();
}
RBBoolean GetReady(REALobject, intptr_t) {
  throw std::bad_alloc();
}
void NewProbeThenThrow(REALobject instance, RBInteger) {
  fenra::SetNative(instance, new ProbeNative);
  throw std::bad_alloc();
}
void DestructThenThrow(REALobject instance) {
  fenra::FreeNative(instance);
  throw std::bad_alloc();
}
RBInteger ModuleTwice(RBInteger n) {
  if (n < 0) throw std::bad_alloc();
  return 2 * n;
}

const REALmethodDefinition kTwice = fenra::Method<Twice, "Twice(n as integer) as integer">();
const REALmethodDefinition kName = fenra::Method<Name, "Name() as string">();
const REALmethodDefinition kPeer = fenra::Method<Peer, "Peer() as FenraContainmentProbe">();
const REALmethodDefinition kItem =
    fenra::AssignableMethod<GetItem, SetItem, "Item(i as integer) as string">();
const REALproperty kScale = fenra::Property<"scale", "Double", GetScale, SetScale>(0);
const REALproperty kReady = fenra::Property<"ready", "Boolean", GetReady, nullptr>(0);
const REALmethodDefinition kConstructor =
    fenra::Method<NewProbeThenThrow, "FenraContainmentProbe(n as integer)">();
const REALproc kDestructor = fenra::InstanceProc<DestructThenThrow>();
const REALmethodDefinition kModuleTwice =
    fenra::ModuleMethod<ModuleTwice, "FenraContainmentProbe_Twice(n as integer) as integer">();

// A record's function as the C function the host calls.
template <class Function>
Function* As(REALproc proc) {
  return reinterpret_cast<Function*>(proc);
}

class Containment : public ::testing::Test {
 protected:
  void SetUp() override { fenra::SetNative(probe.Handle(), &native); }

  Instance probe;
  ProbeNative native;
};

TEST_F(Containment, MethodsAnswerTheNeutralValueOfTheirResultAndRecordMemFullErr) {
  EXPECT_STREQ(kTwice.declaration, "Twice(n as integer) as integer");
  auto twice = As<RBInteger(REALobject, RBInteger)>(kTwice.function);
  EXPECT_EQ(twice(probe.Handle(), 21), 42);
  EXPECT_EQ(native.err, 0);

  EXPECT_EQ(twice(probe.Handle(), -1), 0);
  EXPECT_EQ(native.err, kMemFullErr);

  native.err = 0;
  EXPECT_EQ(As<REALstring(REALobject)>(kName.function)(probe.Handle()), nullptr);
  EXPECT_EQ(native.err, kMemFullErr);

  // Not only standard exceptions are stopped.
  native.err = 0;
  EXPECT_EQ(As<REALobject(REALobject)>(kPeer.function)(probe.Handle()), nullptr);
  EXPECT_EQ(native.err, kMemFullErr);
}

TEST_F(Containment, AssignableMethodsAndPropertiesAreContainedBothWays) {
  EXPECT_EQ(As<REALstring(REALobject, RBInteger)>(kItem.function)(probe.Handle(), 1), nullptr);
  EXPECT_EQ(native.err, kMemFullErr);
  native.err = 0;
  As<void(REALobject, RBInteger, REALstring)>(kItem.setterFunction)(probe.Handle(), 1, nullptr);
  EXPECT_EQ(native.err, kMemFullErr);

  native.err = 0;
  EXPECT_EQ(As<double(REALobject, intptr_t)>(kScale.getter)(probe.Handle(), 0), 0.0);
  EXPECT_EQ(native.err, kMemFullErr);
  native.err = 0;
  As<void(REALobject, intptr_t, double)>(kScale.setter)(probe.Handle(), 0, 2.5);
  EXPECT_EQ(native.err, kMemFullErr);

  native.err = 0;
  EXPECT_EQ(As<RBBoolean(REALobject, intptr_t)>(kReady.getter)(probe.Handle(), 0), 0);
  EXPECT_EQ(native.err, kMemFullErr);
  EXPECT_EQ(kReady.setter, nullptr);
}

TEST_F(Containment, ConstructorsAndDestructorsAreContained) {
  Instance fresh;
  As<void(REALobject, RBInteger)>(kConstructor.function)(fresh.Handle(), 1);
  ASSERT_NE(fresh.Native(), nullptr);
  EXPECT_EQ(fresh.Native()->err, kMemFullErr);

  As<void(REALobject)>(kDestructor)(fresh.Handle());
  EXPECT_EQ(fresh.Native(), nullptr);
}

TEST_F(Containment, AnInstanceWithoutANativeObjectOnlyGetsTheNeutralValue) {
  Instance bare;
  EXPECT_EQ(As<RBInteger(REALobject, RBInteger)>(kTwice.function)(bare.Handle(), -1), 0);
  EXPECT_EQ(As<double(REALobject, intptr_t)>(kScale.getter)(bare.Handle(), 0), 0.0);
  EXPECT_EQ(bare.Native(), nullptr);
  EXPECT_EQ(As<RBInteger(REALobject, RBInteger)>(kTwice.function)(nullptr, -1), 0);
}

TEST_F(Containment, ModuleMethodsAnswerTheNeutralValue) {
  auto twice = As<RBInteger(RBInteger)>(kModuleTwice.function);
  EXPECT_EQ(twice(4), 8);
  EXPECT_EQ(twice(-4), 0);
}

}  // namespace
