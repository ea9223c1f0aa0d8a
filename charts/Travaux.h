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

class TR_INFO;

// Jobs 0 .. n-1 are claimed in order by a second thread and by the caller when it waits for
// one; Attend(i) returns once job i is done, whoever ran it. A job must touch nothing that
// another job or the caller touches before Attend returns for it. The destructor stops the
// claims and waits for the job under way.
//
// With a look-ahead of k, job i is claimed only once the caller has released job i - k
// (Libere): jobs that fill k buffers in turn (job i the buffer i % k) then never write into one
// that the caller still reads. The caller releases the jobs in order.
//
// Chained jobs (a_la_suite) each go on from what the one before left (one drawing cut into
// pieces): job i is claimed only once job i - 1 is done, so that they run one at a time, in
// order, each seeing all that the one before wrote, whichever thread ran either.
class TTravaux {
 public:
  // en_parallele: false runs every job on the caller, in Attend (small work, one core).
  // avance: 0 for no limit, else the look-ahead k above. a_la_suite: chained jobs, above.
  TTravaux(size_t n, std::function<void(size_t)> job, bool en_parallele, size_t avance = 0,
           bool a_la_suite = false);
  ~TTravaux();
  TTravaux(const TTravaux&) = delete;
  TTravaux& operator=(const TTravaux&) = delete;

  // Returns once job i is done. With aide, rather than wait, the caller runs the next unclaimed
  // jobs meanwhile; without, it runs none past job i (its own work, when it is the longer one,
  // is better left to the caller alone).
  void Attend(size_t i, bool aide = true);
  // The caller is done with what job i made: job i + k may be claimed.
  void Libere(size_t i);

  // Whether a second core is there to take jobs.
  static bool DeuxCoeurs();

 private:
  void Boucle();
  bool Prend(size_t* i);
  void Fin(size_t i);
  // Whether job suivant_ may be claimed now, under m_.
  bool Permis() const { return avance_ == 0 || suivant_ < liberes_ + avance_; }
  // Whether job suivant_ may start now as far as the job before it goes, under m_.
  bool Pret() const { return !a_la_suite_ || suivant_ == 0 || fait_[suivant_ - 1]; }

  const size_t n_;
  const size_t avance_;
  const bool a_la_suite_;
  std::function<void(size_t)> job_;
  std::unique_ptr<bool[]> fait_;  // job done, under m_
  size_t suivant_ = 0;           // next job to claim, under m_
  size_t liberes_ = 0;           // jobs released by the caller, under m_
  std::mutex m_;
  std::condition_variable cv_;
  std::thread th_;
};

// A drawing cut into n pieces that go on one from the other, piece(g, j) drawing piece j on g.
// Each piece is drawn on a copy of gr's kernel state whose device does nothing but keep the
// calls it is sent (by a second core where deux_coeurs, at most avance pieces ahead), while this
// thread sends the calls of the pieces before to gr's device; each replay leaves gr in the state
// the copy reached: the same device calls and state as drawing the pieces in place. After a
// piece that returns false none is drawn; it is sent, and the result is false.
bool DessinParPieces(TR_INFO* gr, size_t n, size_t avance, bool deux_coeurs,
                     const std::function<bool(TR_INFO*, size_t)>& piece);
