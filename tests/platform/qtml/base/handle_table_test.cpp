// The reference tables: a reference names its record until the record
// goes and never again, whatever comes after; kinds are told apart.
#include "base/handle_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using qtml::HandleKind;

struct Thing {
  int value = 0;
};
using Things = qtml::HandleTable<Thing, HandleKind::kMovie>;
using Others = qtml::HandleTable<Thing, HandleKind::kTrack>;

TEST(HandleTable, ReferencesNameTheirRecordUntilItGoesAndNeverAgain) {
  Things table;
  Thing a, b;
  uintptr_t ra = table.Add(&a);
  uintptr_t rb = table.Add(&b);
  ASSERT_NE(ra, 0u);
  EXPECT_NE(ra, rb);
  EXPECT_EQ(table.Find(ra), &a);
  EXPECT_EQ(table.Find(rb), &b);

  table.Remove(ra);
  EXPECT_EQ(table.Find(ra), nullptr);
  table.Remove(ra);  // a stale reference removes nothing
  EXPECT_EQ(table.Find(rb), &b);
  EXPECT_EQ(table.live(), 1u);

  // The freed slot is used again, under a reference of its own; the old
  // one stays refused through thousands of records coming and going.
  for (int i = 0; i < 5000; ++i) {
    Thing c;
    uintptr_t rc = table.Add(&c);
    ASSERT_NE(rc, ra);
    ASSERT_EQ(table.Find(ra), nullptr);
    table.Remove(rc);
  }
  EXPECT_EQ(table.Find(rb), &b);
  EXPECT_EQ(table.live(), 1u);
}

TEST(HandleTable, RefusesOtherKindsNilAndMadeUpValues) {
  Things things;
  Others others;
  Thing a;
  uintptr_t ra = things.Add(&a);
  uintptr_t ro = others.Add(&a);
  EXPECT_EQ(others.Find(ra), nullptr);
  EXPECT_EQ(things.Find(ro), nullptr);
  EXPECT_EQ(things.Find(0), nullptr);
  EXPECT_EQ(things.Find(reinterpret_cast<uintptr_t>(&a)), nullptr);  // an address
  EXPECT_EQ(things.Find(ra + 1), nullptr);                           // a slot never used
  EXPECT_EQ(things.Find(ra + (uintptr_t{1} << 32)), nullptr);        // a later generation
}

TEST(HandleTable, IdentitiesAreNotCopiedAndForgetThemselves) {
  using Registered = qtml::Identity<Thing, HandleKind::kUserData>;
  Thing a;
  uintptr_t kept = 0;
  {
    Registered identity;
    ASSERT_TRUE(identity.Register(&a));
    kept = identity.value();
    EXPECT_EQ(Registered::Find(reinterpret_cast<void*>(kept)), &a);
    Registered copy = identity;
    EXPECT_FALSE(copy.registered());
    copy = identity;
    EXPECT_FALSE(copy.registered());
  }
  EXPECT_EQ(Registered::Find(reinterpret_cast<void*>(kept)), nullptr);
}

}  // namespace
