// The fake takes kernel32's place for the drive functions in the whole test
// program, which GoogleTest and the C++ runtime share with the code under
// test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake_platform.h"

namespace {

TEST(FakePlatformOnWindowsTest, OnlyTheFakeDriveIsClosedByTheFake) {
  ResetFake();
  // GoogleTest's first trace on a thread starts a thread of its own and
  // closes its handle.
  SCOPED_TRACE("a trace");
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  EXPECT_TRUE(CloseHandle(event));
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(event, &flags)) << "the event is still open";
  EXPECT_TRUE(Fake().calls.empty());

  CloseHandle(FakeDriveHandle());
  CloseHandle(INVALID_HANDLE_VALUE);
  EXPECT_EQ(Fake().calls, (std::vector<std::string>{"CloseHandle", "CloseHandle?"}));
}

}  // namespace
