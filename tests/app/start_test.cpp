// The program's start refuses a description it cannot read: a message on
// the diagnostic output and exit code 2, before any window exists.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

TEST(ProgramStart, BrokenDescriptionEndsWithMessageAndCode2) {
  const std::string cmd = std::string(BROKEN_PROGRAM) + " 2>&1 >/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string err;
  char buf[256];
  while (fgets(buf, sizeof buf, p)) err += buf;
  const int status = pclose(p);
  ASSERT_TRUE(WIFEXITED(status)) << err;
  EXPECT_EQ(WEXITSTATUS(status), 2) << err;
  EXPECT_EQ(err.rfind("pyrovantika: ", 0), 0u) << err;
  EXPECT_NE(err.find("Label5.Color"), std::string::npos) << err;
  EXPECT_EQ(err.back(), '\n');
}

}  // namespace
