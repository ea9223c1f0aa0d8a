#include "charts/Travaux.h"

#include <system_error>
#include <vector>

#include "plot/Recording.h"

TTravaux::TTravaux(size_t n, std::function<void(size_t)> job, bool en_parallele, size_t avance,
                   bool a_la_suite)
    : n_(n), avance_(avance), a_la_suite_(a_la_suite), job_(std::move(job)), fait_(new bool[n]()) {
  if (!en_parallele || n < 2 || !DeuxCoeurs()) return;
  try {
    th_ = std::thread(&TTravaux::Boucle, this);
  } catch (const std::system_error&) {
    // No thread to be had: the caller runs every job.
  }
}

TTravaux::~TTravaux() {
  {
    std::lock_guard<std::mutex> l(m_);
    suivant_ = n_;
  }
  cv_.notify_all();  // a second thread waiting for a release stops
  if (th_.joinable()) th_.join();
}

bool TTravaux::DeuxCoeurs() { return std::thread::hardware_concurrency() >= 2; }

bool TTravaux::Prend(size_t* i) {
  std::unique_lock<std::mutex> l(m_);
  cv_.wait(l, [&] { return suivant_ >= n_ || (Permis() && Pret()); });
  if (suivant_ >= n_) return false;
  *i = suivant_++;
  return true;
}

void TTravaux::Libere(size_t i) {
  {
    std::lock_guard<std::mutex> l(m_);
    if (i + 1 > liberes_) liberes_ = i + 1;
  }
  cv_.notify_all();
}

void TTravaux::Fin(size_t i) {
  {
    std::lock_guard<std::mutex> l(m_);
    fait_[i] = true;
  }
  cv_.notify_all();
}

void TTravaux::Boucle() {
  size_t i;
  while (Prend(&i)) {
    job_(i);
    Fin(i);
  }
}

void TTravaux::Attend(size_t i, bool aide) {
  if (i >= n_) return;
  for (;;) {
    size_t k;
    {
      std::unique_lock<std::mutex> l(m_);
      if (fait_[i]) return;
      if (suivant_ >= n_ || (suivant_ > i && (!aide || !Permis()))) {
        // Job i is under way on the other thread and none is left to take meanwhile (or the
        // next one would run further ahead than the look-ahead allows, or the caller takes no
        // other job).
        cv_.wait(l, [&] { return fait_[i]; });
        return;
      }
      if (!Pret()) {
        // A chained job is under way: the next one waits for it, whoever takes it then.
        cv_.wait(l, [&] { return fait_[i] || suivant_ >= n_ || Pret(); });
        continue;
      }
      // Job i is not done: rather than wait, the caller runs the next unclaimed job itself.
      k = suivant_++;
    }
    job_(k);
    Fin(k);
  }
}

bool DessinParPieces(TR_INFO* gr, size_t n, size_t avance, bool deux_coeurs,
                     const std::function<bool(TR_INFO*, size_t)>& piece) {
  TR_INFO ombre;
  TRecording::CopyState(*gr, &ombre);
  std::vector<TRecording> tampons(avance);  // piece j in tampons[j % avance]
  std::unique_ptr<bool[]> reussi(new bool[n]());  // each piece's, read once it is done
  TTravaux travaux(
      n,
      [&](size_t j) {
        TRecording& r = tampons[j % avance];
        r.Begin(&ombre);
        reussi[j] = (j == 0 || reussi[j - 1]) && piece(&ombre, j);
        r.End(&ombre);
      },
      deux_coeurs, avance, true);
  for (size_t j = 0; j < n; ++j) {
    travaux.Attend(j);
    tampons[j % avance].Replay(gr);
    travaux.Libere(j);
    if (!reussi[j]) return false;
  }
  return true;
}
