// A piece of drawing kept as the device calls it made, with the kernel's state before and
// after it: replayed on a context in the state it began from, it makes the same device calls
// (so the same bytes) and leaves the same state, without going through the pipeline again.
#pragma once

#include <cstddef>
#include <vector>

#include "plot/TrInfo.h"

class TRecording {
 public:
  // Starts keeping g's device calls; the state g is in now is the one the recording fits.
  // False (nothing kept) when g is already being recorded.
  bool Begin(TR_INFO* g);
  // Stops keeping them and notes the state g is in after the piece.
  void End(TR_INFO* g);
  // Whether g is in the state the recording began from, field by field and bit for bit.
  bool Fits(const TR_INFO& g) const;
  // Sends the recorded calls to g's device and leaves g in the state noted by End; a recording
  // of g under way keeps them as they were recorded.
  void Replay(TR_INFO* g) const;
  // Puts into to the kernel's state of from (its output file and recording apart): a context
  // whose device does nothing then draws what from would, to record it.
  static void CopyState(const TR_INFO& from, TR_INFO* to);

 private:
  std::vector<unsigned char> calls_;  // as TR_INFO::recording keeps them
  std::vector<unsigned char> before_, after_;  // the kernel's state, field after field
};
