// placeholder until the chart/report code lands
#include "driver/Report.h"

void AffProp(TFctTransfert*) {}

bool TempsReponseDep(double, TFctTransfert*, double*, TPerfTemp*) { return false; }
