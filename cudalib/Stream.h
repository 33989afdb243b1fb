#ifndef KYRA_CUDALIB_STREAM_H
#define KYRA_CUDALIB_STREAM_H

// An owned CUDA stream. On a device without asynchronous engines no stream is
// created and the work goes to the default stream.

#if defined(KYRA_WITH_CUDA)

#include <cuda_runtime_api.h>

namespace cudalib {

class Stream {
  public:
    Stream();
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    cudaStream_t get() const { return stream_; }
    // The device the stream was created on; -1 without a stream.
    int Device() const { return device_; }
    void Synchronize() const;
    // True when the stream is idle (or absent), false while work is pending.
    bool Query() const;

  private:
    cudaStream_t stream_ = nullptr;
    int device_ = -1;
};

}  // namespace cudalib

#endif
#endif
