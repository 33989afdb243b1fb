#ifndef KYRA_DRIVER_LIBRARYSESSION_H
#define KYRA_DRIVER_LIBRARYSESSION_H

// krylovrun's hold on the solver library: one handle and one plan, the
// status check that ends the run on a library failure, and the printing of
// the library's configuration and result texts.

#include "kyraSparse.h"

namespace kyra::driver {

// Thrown to end the run early with the given exit status; main catches it
// after the library objects have been released.
struct EndRun {
    int exitStatus;
};

// For status 0 or 1 does nothing. Otherwise writes the handle's last status
// text and a newline and, when exitOnFailure is set, ends the run with exit
// status 0.
void checkRuntimeStatus(kyraSparseHandle handle, kyraSparseStatus status, bool exitOnFailure);

// Write the library's text for the record and a newline; nothing for null.
void checkSparseConfig(kyraSparseHandle handle, const kyraSparseConfig* config);
void checkSparseResult(kyraSparseHandle handle, const kyraSparseResult* result);

// Creates the handle, then a plan on it (both checked); destroys the plan,
// then the handle.
class LibrarySession {
  public:
    LibrarySession();
    ~LibrarySession();
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;

    kyraSparseHandle handle() const { return handle_; }
    kyraSparsePlan plan() const { return plan_; }

    // Runs the check of checkRuntimeStatus on this handle, ending the run on
    // failure.
    void check(kyraSparseStatus status) const { checkRuntimeStatus(handle_, status, true); }

  private:
    void release();

    kyraSparseHandle handle_ = nullptr;
    kyraSparsePlan plan_ = nullptr;
};

}  // namespace kyra::driver

#endif
