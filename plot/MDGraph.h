// Output device kinds of the plotting kernel (the device holder joins them later).
#pragma once

enum GrType { GrErr, GrScr, GrHPGL, GrHPGLr, GrPS, GrEMF };
