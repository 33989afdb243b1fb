#ifndef KYRA_API_SAFEINTERFACE_H
#define KYRA_API_SAFEINTERFACE_H

// The guarded frame every public function runs through: it serialises calls
// on a handle, runs the work on the handle's worker thread and turns any
// exception into a status code and the handle's last status text.

#include "core/Context.h"
#include "core/FunctionRef.h"
#include "kyraSparse.h"

namespace Iterative {

// Handle form: the work runs on the handle's worker thread. The work is
// taken by reference (binding it allocates nothing) and everything that may
// allocate, the status text included, runs inside the guard: running out of
// memory anywhere is status 5.
kyraSparseStatus SafeInterface(kyraSparseHandle handle, Context::Work work);

// Handle-less form (create, destroy): the work runs on the calling thread
// and no text is recorded.
kyraSparseStatus SafeInterface(FunctionRef<void()> work);

// The context behind a handle; the caller has checked it is not null.
inline Context& contextOf(kyraSparseHandle handle) { return *reinterpret_cast<Context*>(handle); }

}  // namespace Iterative

#endif
