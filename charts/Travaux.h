// Independent computations of a chart (curves, contours) run ahead on a second core while the
// chart goes on with what must stay in order (pens, drawing, messages).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Jobs 0 .. n-1 are claimed in order by a second thread and by the caller when it waits for
// one; Attend(i) returns once job i is done, whoever ran it. A job must touch nothing that
// another job or the caller touches before Attend returns for it. The destructor stops the
// claims and waits for the job under way.
class TTravaux {
 public:
  // en_parallele: false runs every job on the caller, in Attend (small work, one core).
  TTravaux(size_t n, std::function<void(size_t)> job, bool en_parallele);
  ~TTravaux();
  TTravaux(const TTravaux&) = delete;
  TTravaux& operator=(const TTravaux&) = delete;

  void Attend(size_t i);

  // Whether a second core is there to take jobs.
  static bool DeuxCoeurs();

 private:
  void Boucle();
  bool Prend(size_t* i);
  void Fin(size_t i);

  const size_t n_;
  std::function<void(size_t)> job_;
  std::unique_ptr<bool[]> fait_;  // job done, under m_
  size_t suivant_ = 0;           // next job to claim, under m_
  std::mutex m_;
  std::condition_variable cv_;
  std::thread th_;
};
