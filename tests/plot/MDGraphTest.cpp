// Checks the device holder: which device each kind creates, and its page and file name.
#include <gtest/gtest.h>

#include <cstring>

#include "plot/CairoDevice.h"
#include "plot/EmfDevice.h"
#include "plot/EpsDevice.h"
#include "plot/HpglDevice.h"
#include "plot/MDGraph.h"

namespace {

TEST(MDGraph, FileKindsCreateTheirDevice) {
  char name[] = "chart.eps";
  TMDGraph ps(GrPS, name);
  ASSERT_NE(ps.Gr, nullptr);
  EXPECT_EQ(ps.Type, GrPS);
  EXPECT_NE(dynamic_cast<C_EPS*>(ps.Gr), nullptr);
  EXPECT_STREQ(ps.Gr->NomFichier, "chart.eps");
  EXPECT_NE(ps.Gr->NomFichier, name);  // an owned copy
  name[0] = 'X';
  EXPECT_STREQ(ps.Gr->NomFichier, "chart.eps");

  TMDGraph emf(GrEMF, "a.emf");
  EXPECT_EQ(emf.Type, GrEMF);
  EXPECT_NE(dynamic_cast<C_EMF*>(emf.Gr), nullptr);
  EXPECT_EQ(emf.Gr->tr_xmax, 50.0);

  TMDGraph hp(GrHPGL, "a.hpgl");
  ASSERT_NE(dynamic_cast<C_HPGLA4*>(hp.Gr), nullptr);
  EXPECT_EQ(hp.Gr->tr_xmax, 29.7);
  EXPECT_EQ(hp.Gr->tr_ymax, 21.0);
  EXPECT_FALSE(dynamic_cast<C_HPGLA4*>(hp.Gr)->Rot);

  TMDGraph hpr(GrHPGLr, "a.hpgl");
  ASSERT_NE(dynamic_cast<C_HPGLA4*>(hpr.Gr), nullptr);
  EXPECT_EQ(hpr.Gr->tr_xmax, 21.0);
  EXPECT_EQ(hpr.Gr->tr_ymax, 29.7);
  EXPECT_TRUE(dynamic_cast<C_HPGLA4*>(hpr.Gr)->Rot);
  EXPECT_EQ(hpr.Gr->plume_max, 16);

  // The cairo kinds: one device class, three formats, the PostScript device's page and pens.
  const struct {
    GrType t;
    C_CAIRO::Format f;
  } cairoKinds[] = {{GrPDF, C_CAIRO::Pdf}, {GrSVG, C_CAIRO::Svg}, {GrPNG, C_CAIRO::Png}};
  for (const auto& k : cairoKinds) {
    TMDGraph g(k.t, "a.out");
    EXPECT_EQ(g.Type, k.t);
    auto* dev = dynamic_cast<C_CAIRO*>(g.Gr);
    ASSERT_NE(dev, nullptr) << k.t;
    EXPECT_EQ(dev->format, k.f);
    EXPECT_STREQ(dev->NomFichier, "a.out");
    EXPECT_EQ(dev->tr_xmax, ps.Gr->tr_xmax);
    EXPECT_EQ(dev->tr_ymax, ps.Gr->tr_ymax);
    EXPECT_EQ(dev->u_par_cmx, ps.Gr->u_par_cmx);
    EXPECT_EQ(dev->plume_max, ps.Gr->plume_max);
  }
}

TEST(MDGraph, OtherKindsHoldNothing) {
  for (int k : {-1, 0, 9, 42}) {
    TMDGraph g(static_cast<GrType>(k), "x.eps");
    EXPECT_EQ(g.Gr, nullptr) << k;
    EXPECT_EQ(g.Type, GrErr) << k;
  }
  TMDGraph noname(GrPS);
  EXPECT_EQ(noname.Gr, nullptr);
  EXPECT_EQ(noname.Type, GrErr);
  TMDGraph nullname(GrEMF, nullptr);
  EXPECT_EQ(nullname.Gr, nullptr);
  TMDGraph nopng(GrPNG);
  EXPECT_EQ(nopng.Gr, nullptr);
}

}  // namespace
