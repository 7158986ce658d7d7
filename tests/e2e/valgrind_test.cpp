// A short session of the real program under valgrind's memcheck: no invalid
// access, no definite or indirect leak. valgrind.supp covers only the
// toolkit's own one-time allocations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

TEST(Valgrind, ShortSessionIsClean) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer build is checked by its own runtime";
#endif
  std::string version;
  if (e2e::Run({"valgrind", "--version"}, &version) != 0) GTEST_SKIP() << "valgrind is not installed";
  const char* src = std::getenv("PYRO_SOURCE_DIR");
  ASSERT_TRUE(src);
  Options o;
  o.prefix = {"valgrind",
              "--leak-check=full",
              "--show-leak-kinds=definite,indirect",
              "--errors-for-leak-kinds=definite,indirect",
              "--error-exitcode=99",
              "--num-callers=40",
              "--gen-suppressions=all",
              std::string("--suppressions=") + src + "/tests/e2e/valgrind.supp",
              "--log-file=valgrind.log"};
  // Plain malloc for GLib's slices, so the leak check sees each block.
  o.env = {"G_SLICE=always-malloc", "G_DEBUG=fatal-criticals,gc-friendly"};
  Program p(o);
  ASSERT_NE(p.window(), 0u) << p.Stderr();
  p.MoveTo(300, 200);
  Sleep(1.5);
  p.Click(at::kSunButton);
  p.Click(at::kHeaterButton);
  p.Click(at::kRecord);
  Sleep(2.5);
  p.Click(at::kUWert);
  Sleep(1.0);
  p.Click(at::kUTable);
  p.Click(at::kNotepad);
  p.Type("abc");
  p.Click(at::kStop);
  p.Click(at::kReset);
  Sleep(1.0);
  p.Click(at::kRecord);
  Sleep(1.5);
  p.Close();
  const auto code = p.WaitExit(120);
  const std::string log = p.File("valgrind.log");
  EXPECT_EQ(code, std::optional<int>(0)) << "99: memcheck found errors\n" << log;
  EXPECT_NE(log.find("ERROR SUMMARY: 0 errors"), std::string::npos) << log;
  EXPECT_EQ(log.find("Invalid "), std::string::npos) << log;
  EXPECT_EQ(log.find("uninitialised"), std::string::npos) << log;
  EXPECT_EQ(log.find("definitely lost: "), log.find("definitely lost: 0 bytes")) << log;
  EXPECT_EQ(log.find("indirectly lost: "), log.find("indirectly lost: 0 bytes")) << log;
}

}  // namespace
}  // namespace e2e
