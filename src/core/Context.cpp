#include "core/Context.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

#include "core/Exception.h"
#if defined(KYRA_WITH_CUDA)
#include "cudalib/LibraryContexts.h"
#endif

namespace Iterative {

namespace {
// A hand-over between the caller and the worker usually completes within
// microseconds; both sides poll that long before they sleep, which saves the
// two wake-ups of a blocking exchange.
constexpr std::chrono::microseconds kSpinBudget(50);

// The context whose work item the calling thread is running.
thread_local const Context* currentContext = nullptr;

class CurrentContextScope {
  public:
    explicit CurrentContextScope(const Context& context) { currentContext = &context; }
    ~CurrentContextScope() { currentContext = nullptr; }
    CurrentContextScope(const CurrentContextScope&) = delete;
    CurrentContextScope& operator=(const CurrentContextScope&) = delete;
};

template <typename Condition>
void spinWhile(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + kSpinBudget;
    while (condition() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
}
}  // namespace

class Context::Impl {
  public:
    Impl() : worker_([this] { run(); }) { lastStatus.reserve(kReservedStatusLength); }

    ~Impl() {
        {
            std::lock_guard<std::mutex> lock(workMutex_);
            stop_ = true;
            pending_ = true;
        }
        workChanged_.notify_all();
        worker_.join();
    }

    void execute(Context& context, const Work& work) {
        {
            std::lock_guard<std::mutex> lock(workMutex_);
            pendingWork_ = [&context, &work] {
                const CurrentContextScope scope(context);
                work(context);
            };
            pending_ = true;
        }
        workChanged_.notify_all();
        spinWhile([this] { return pending_.load(std::memory_order_acquire); });
        std::unique_lock<std::mutex> lock(workMutex_);
        workChanged_.wait(lock, [this] { return !pending_; });
        pendingWork_ = nullptr;
        if (captured_) {
            std::exception_ptr failure = captured_;
            captured_ = nullptr;
            std::rethrow_exception(failure);
        }
    }

#if defined(KYRA_WITH_CUDA)
    std::unique_ptr<Cusparse::Context> cusparse;
    std::unique_ptr<Cublas::Context> cublas;
#endif
    std::vector<ExtendedInfo> extendedInfo;
    std::string lastStatus;
    bool interrupt = false;
    std::mutex stateMutex;  // guards the text, the records and the interrupt byte
    std::mutex callMutex;

  private:
    void run() {
        for (;;) {
            spinWhile([this] { return !pending_.load(std::memory_order_acquire); });
            std::unique_lock<std::mutex> lock(workMutex_);
            workChanged_.wait(lock, [this] { return pending_.load(); });
            if (stop_) break;
            try {
                pendingWork_();
                captured_ = nullptr;
            } catch (...) {
                captured_ = std::current_exception();
            }
            pending_ = false;
            lock.unlock();
            workChanged_.notify_all();
        }
        pending_ = false;
        workChanged_.notify_all();
    }

    std::function<void()> pendingWork_;
    std::mutex workMutex_;
    std::condition_variable workChanged_;
    bool stop_ = false;
    std::atomic<bool> pending_{false};
    std::exception_ptr captured_;
    std::thread worker_;  // last: starts once every other member exists
};

Context::Context() : impl_(std::make_shared<Impl>()) {}
Context::~Context() = default;

void Context::execute(const Work& work) { impl_->execute(*this, work); }

const Context* Context::current() { return currentContext; }

std::mutex& Context::getMutex() const { return impl_->callMutex; }

void Context::setLastStatusString(const std::string& text) const {
    std::lock_guard<std::mutex> lock(impl_->stateMutex);
    impl_->lastStatus = text;
}

void Context::setLastStatusStringInPlace(const char* text) const noexcept {
    std::lock_guard<std::mutex> lock(impl_->stateMutex);
    try {
        impl_->lastStatus.assign(text);  // fits the reserved capacity: no allocation
    } catch (...) {
        impl_->lastStatus.clear();
    }
}

std::string Context::getLastStatusString() const {
    std::lock_guard<std::mutex> lock(impl_->stateMutex);
    return impl_->lastStatus;
}

unsigned Context::addExtendedInfo(const ExtendedInfo& info) const {
    std::lock_guard<std::mutex> lock(impl_->stateMutex);
    impl_->extendedInfo.push_back(info);
    return static_cast<unsigned>(impl_->extendedInfo.size());
}

ExtendedInfo Context::getExtendedInfo(unsigned key) const {
    std::lock_guard<std::mutex> lock(impl_->stateMutex);
    if (key == 0 || key > impl_->extendedInfo.size()) return {"Unknown", "Unknown", "Unknown", "Unknown"};
    return impl_->extendedInfo[key - 1];
}

void Context::setInterrupt() const {
    std::lock_guard<std::mutex> lock(impl_->stateMutex);
    impl_->interrupt = true;
}

bool Context::checkInterupt() const {
    std::lock_guard<std::mutex> lock(impl_->stateMutex);
    const bool wasSet = impl_->interrupt;
    impl_->interrupt = false;
    return wasSet;
}

#if defined(KYRA_WITH_CUDA)
Cublas::Context& Context::cublasCtx() const {
    if (!impl_->cublas) impl_->cublas = std::make_unique<Cublas::Context>();
    return *impl_->cublas;
}

Cusparse::Context& Context::cusparseCtx() const {
    if (!impl_->cusparse) impl_->cusparse = std::make_unique<Cusparse::Context>();
    return *impl_->cusparse;
}
#else
Cublas::Context& Context::cublasCtx() const {
    KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("this build has no cuda support");
}

Cusparse::Context& Context::cusparseCtx() const {
    KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("this build has no cuda support");
}
#endif

}  // namespace Iterative
