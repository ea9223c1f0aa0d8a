// Chart dispatch: each kind draws into its own file; an unknown kind or device draws nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "driver/Tracer.h"
#include "model/Param.h"
#include "tests/support/Ghostscript.h"
#include "tests/support/ScratchDir.h"

namespace {

bool Exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

TEST(Tracer, EachKindWritesItsFile) {
  Param.Reset();
  double poles[] = {-1, -10};
  Param.AddFctTransfert("H", 10, nullptr, 0, poles, 2, nullptr, 0, nullptr, 0)->Color = 4;
  Param.EdTFin = 2;
  ScratchDir dir;
  testing::internal::CaptureStdout();
  for (TrType t : {TraceBlack, TraceBode, TraceTemp, TraceEvans}) {
    std::string f = dir.path() + "/chart" + std::to_string(t) + ".eps";
    Tracer(GrPS, t, f.c_str());
    EXPECT_EQ(gs_test::GhostscriptCheck(f), 0) << t;
  }
  std::string other = dir.path() + "/other.eps";
  Tracer(GrPS, static_cast<TrType>(7), other.c_str());
  EXPECT_FALSE(Exists(other));
  Tracer(GrErr, TraceBode, "");
  const std::string unknown = dir.path() + "/x";
  Tracer(static_cast<GrType>(42), TraceBlack, unknown.c_str());
  EXPECT_FALSE(Exists(unknown));
  testing::internal::GetCapturedStdout();
  Param.Reset();
}

}  // namespace
