#ifndef KYRA_CUDALIB_HIGHRESOLUTIONTIMER_H
#define KYRA_CUDALIB_HIGHRESOLUTIONTIMER_H

// Wall-clock timer used for every reported time and for the runtime limit.

#include <sys/time.h>

namespace cudalib {

class HighResolutionTimer {
  public:
    HighResolutionTimer() { restart(); }

    void restart() { gettimeofday(&start_, nullptr); }

    // Seconds since the last restart: whole seconds plus microseconds / 1e6.
    double elapsed() const {
        timeval now;
        gettimeofday(&now, nullptr);
        return static_cast<double>(now.tv_sec - start_.tv_sec) +
               static_cast<double>(now.tv_usec - start_.tv_usec) / 1e6;
    }

  private:
    timeval start_;
};

}  // namespace cudalib

#endif
