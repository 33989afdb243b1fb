#include "LibrarySession.h"

#include <cstdio>

namespace kyra::driver {

namespace {

// Every text is fetched through a buffer of this size.
constexpr int kTextBufferSize = 1024;

void printLine(const char* text) { std::printf("%s\n", text); }

}  // namespace

void checkRuntimeStatus(kyraSparseHandle handle, kyraSparseStatus status, bool exitOnFailure) {
    if (status == kyraSparseNoError || status == kyraSparseNonConvergence) return;
    char text[kTextBufferSize] = {};
    kyraSparseGetLastStatusString(handle, text, kTextBufferSize);
    printLine(text);
    // A library failure is reported in the printed text, not in the exit status.
    if (exitOnFailure) throw EndRun{0};
}

void checkSparseConfig(kyraSparseHandle handle, const kyraSparseConfig* config) {
    if (!config) return;
    char text[kTextBufferSize] = {};
    kyraSparseGetConfigString(handle, config, text, kTextBufferSize);
    printLine(text);
}

void checkSparseResult(kyraSparseHandle handle, const kyraSparseResult* result) {
    if (!result) return;
    char text[kTextBufferSize] = {};
    kyraSparseGetResultString(handle, result, text, kTextBufferSize);
    printLine(text);
}

LibrarySession::LibrarySession() {
    check(kyraSparseCreate(&handle_));
    try {
        check(kyraSparseCreatePlan(handle_, &plan_));
    } catch (...) {
        release();
        throw;
    }
}

LibrarySession::~LibrarySession() { release(); }

void LibrarySession::release() {
    if (plan_) kyraSparseDestroyPlan(plan_);
    if (handle_) kyraSparseDestroy(handle_);
    plan_ = nullptr;
    handle_ = nullptr;
}

}  // namespace kyra::driver
