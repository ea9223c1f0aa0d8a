// Checks the registry's defaults and limits, name lookup and the bo/bf loop conversions.
#include "model/Param.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;

class ParamTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }
};

TEST_F(ParamTest, Defaults) {
  EXPECT_EQ(Param.GetNbFctTransfert(), 0u);
  EXPECT_EQ(Param.EdWn, 0.001);
  EXPECT_EQ(Param.EdWm, 1000.0);
  EXPECT_EQ(Param.EdNBP, 400);
  EXPECT_EQ(Param.EdTFin, 30.0);
  EXPECT_EQ(Param.EdDt, 0.0001);
  EXPECT_EQ(Param.RBInput, 1);
  EXPECT_TRUE(Param.CBBO);
  EXPECT_FALSE(Param.CBBF);
  EXPECT_TRUE(Param.CBEchBlack);
  EXPECT_TRUE(Param.CBNichols);
  EXPECT_EQ(Param.RBBode, RBBodeGainPhase);
  EXPECT_TRUE(Param.RBFrequence);
  EXPECT_TRUE(Param.CBPointill);
  EXPECT_TRUE(Param.CBShowInput);
  EXPECT_EQ(Param.ColorBode1, 2);
  EXPECT_EQ(Param.ColorTemp2, 3);
  EXPECT_EQ(Param.ColorInput, 4);
  EXPECT_EQ(Param.EpCourbe, 1.0);
  EXPECT_EQ(Param.EpBod2, 0.4);
}

TEST_F(ParamTest, RegistryHoldsAHundredFunctions) {
  for (int i = 0; i < 100; ++i) {
    std::string n = "F" + std::to_string(i);
    TFctTransfert* f = Param.AddFctTransfert(n.c_str(), 1.0);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Checked);
  }
  EXPECT_EQ(Param.AddFctTransfert("extra", 1.0), nullptr);
  EXPECT_EQ(Param.GetNbFctTransfert(), 100u);
  EXPECT_EQ(Param.GetFctTransfert(100), nullptr);
  EXPECT_STREQ(Param.GetFctTransfert(99)->Nom, "F99");
}

TEST_F(ParamTest, FullFormAddsRootsInOrder) {
  double zeros[] = {-0.5};
  double poles[] = {-1, 0};
  double zc[] = {2, 0, 1};
  double pcs[] = {1, 0.4, 4};
  TFctTransfert* f = Param.AddFctTransfert("G", 2.0, zeros, 1, poles, 2, zc, 1, pcs, 1);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->g, 2.0);
  EXPECT_EQ(f->nbp, 2);
  EXPECT_TRUE(f->Integrat);
  EXPECT_EQ(f->zc[0].a, 2);
  EXPECT_EQ(f->pc[0].b, 0.4);
  EXPECT_TRUE(f->Checked);
}

TEST_F(ParamTest, FctLFIsCaseSensitive) {
  TFctTransfert* g = Param.AddFctTransfert("Gain", 1.0);
  EXPECT_EQ(FctLF("Gain"), g);
  EXPECT_EQ(FctLF("gain"), nullptr);
  EXPECT_EQ(FctLF("Other"), nullptr);
}

TEST(LoopConversions, BoAndBfAreInverse) {
  t_complex h{0.5, 0};
  t_complex* o = bo(&h);
  EXPECT_NEAR(o->m, 1, 1e-15);
  EXPECT_NEAR(o->p, 0, 1e-15);
  t_complex one{1, 0};
  EXPECT_NEAR(bf(&one)->m, 0.5, 1e-15);
  t_complex q{1, -kPi / 2};
  t_complex c = *bf(&q);
  EXPECT_NEAR(c.m, std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(c.p, -kPi / 4, 1e-15);
  t_complex q2{1, kPi / 2};
  EXPECT_NEAR(bf(&q2)->p, kPi / 4 - 2 * kPi, 1e-14);
  // Round trip through an arbitrary point.
  t_complex x{2.5, -2.0};
  t_complex back = *bo(bf(&x));
  EXPECT_NEAR(back.m, x.m, 1e-13);
  EXPECT_NEAR(back.p, x.p, 1e-13);
}

}  // namespace
