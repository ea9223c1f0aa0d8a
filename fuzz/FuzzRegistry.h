// Registry shared by the expression fuzz targets: a few functions given by factors, some by
// expressions (one naming itself, two naming each other), and one whose expression is the input.
#pragma once

#include "model/FctTransfert.h"
#include "model/Param.h"

// Fills Param once; returns the function X whose expression each input replaces.
inline TFctTransfert* FuzzRegistry() {
  static TFctTransfert* x = nullptr;
  if (x != nullptr) return x;
  TFctTransfert* g = Param.AddFctTransfert("G", 1.0);  // 1/(s+1)
  g->AddPole(-1);
  TFctTransfert* p = Param.AddFctTransfert("P", 1.0);  // s
  p->AddZero(0);
  Param.AddFctTransfert("K", 2.5);                     // pure gain
  TFctTransfert* f = Param.AddFctTransfert("F", 4.0);  // 4/(s (s^2 + 0.8 s + 4))
  f->AddPole(0);
  f->AddPoleC(1, 0.8, 4);
  f->AddZeroC(1, 0, 9);
  Param.AddFctTransfert("E", 1.0)->ChangeExpression("G/(1+G)");
  Param.AddFctTransfert("S", 1.0)->ChangeExpression("2*S");
  Param.AddFctTransfert("A", 1.0)->ChangeExpression("1+B");
  Param.AddFctTransfert("B", 1.0)->ChangeExpression("G*A");
  Param.AddFctTransfert("C", 1.0)->ChangeExpression("E*F+K");
  x = Param.AddFctTransfert("X", 1.0);
  return x;
}
