// The whole integration run trusts the test CA, as the demo does.
#include <gtest/gtest.h>

#include "integration_support.h"

namespace {
const auto* const kTrustTestCa = ::testing::AddGlobalTestEnvironment(new ow::TrustTestCa);
}  // namespace
