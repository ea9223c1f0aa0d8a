// Test helpers: a fixture that empties the registry around each test, and builders of
// registered transfer functions.
#pragma once

#include <gtest/gtest.h>

#include "model/FctTransfert.h"
#include "model/Param.h"

class RegistreTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }

  // Registered function with gain g and the given real poles (roots).
  static TFctTransfert* Poles(const char* nom, double g, std::initializer_list<double> poles) {
    TFctTransfert* f = Param.AddFctTransfert(nom, g);
    for (double p : poles) f->AddPole(p);
    return f;
  }
  // Registered function defined by an expression.
  static TFctTransfert* Expr(const char* nom, const char* e) {
    TFctTransfert* f = Param.AddFctTransfert(nom, 1.0);
    f->ChangeExpression(e);
    return f;
  }
};
