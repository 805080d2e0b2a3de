// Which transfer errors say that the device has gone.
#include <gtest/gtest.h>

#include "hid/hid.h"

namespace {

TEST(GoneErrors, RemovalAndBrokenPipesAreGoneCancelsAndTimeoutsAreNot) {
  // ERROR_DEVICE_NOT_CONNECTED, ERROR_BROKEN_PIPE, ERROR_PIPE_NOT_CONNECTED, ERROR_NO_DATA,
  // ERROR_INVALID_HANDLE, ERROR_BAD_COMMAND, ERROR_GEN_FAILURE, ERROR_NO_SUCH_DEVICE.
  for (uint32_t gone : {1167u, 109u, 233u, 232u, 6u, 22u, 31u, 433u}) {
    EXPECT_TRUE(HidErrorMeansGone(gone)) << gone;
  }
  // Success, ERROR_OPERATION_ABORTED, ERROR_TIMEOUT, ERROR_BUSY, ERROR_MORE_DATA,
  // ERROR_FILE_NOT_FOUND, ERROR_INVALID_PARAMETER.
  for (uint32_t not_gone : {0u, 995u, 1460u, 170u, 234u, 2u, 87u}) {
    EXPECT_FALSE(HidErrorMeansGone(not_gone)) << not_gone;
  }
}

}  // namespace
