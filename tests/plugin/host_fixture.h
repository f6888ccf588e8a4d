// Plugin code under test talks to the real host runtime, as it would once
// loaded; this fixture hands it the runtime's resolver.
#pragma once

#include <gtest/gtest.h>

#include "fenra_host/runtime.h"
#include "plugin/host_services.h"

class WithHost : public ::testing::Test {
 protected:
  void SetUp() override { fenra::SetHostResolver(fenra::host::Runtime::Resolver()); }
  void TearDown() override { fenra::SetHostResolver(nullptr); }
  fenra::host::Runtime& runtime() { return fenra::host::Runtime::Get(); }
};
