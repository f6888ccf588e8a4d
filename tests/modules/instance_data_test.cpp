// The procedural classes' instance data, whose layouts the host reads.
#include "modules/instance_data.h"

#include <gtest/gtest.h>

namespace {

using fenra::InstanceDataOffsetOf;
using fenra::MovieCreationData;

// The movie creation record embeds a whole FSSpec, its 256-byte
// StrFileName included; the fields the host reads come after it.
TEST(InstanceData, MovieCreationFieldsFollowAWholeFSSpec) {
  EXPECT_EQ(sizeof(FSSpec), 264u);
  EXPECT_EQ(offsetof(MovieCreationData, file), 8u);
  EXPECT_EQ(InstanceDataOffsetOf("QTMovieCreationClass", "result"), 272);
  EXPECT_EQ(InstanceDataOffsetOf("QTMovieCreationClass", "videoDigitizerCount"), 296);
  EXPECT_EQ(InstanceDataOffsetOf("QTMovieCreationClass", "soundDeviceSelected"), 320);
  EXPECT_EQ(sizeof(MovieCreationData), 328u);
}

}  // namespace
