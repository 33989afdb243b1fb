#ifndef KYRA_API_SAFEINTERFACE_H
#define KYRA_API_SAFEINTERFACE_H

// The guarded frame every public function runs through: it serialises calls
// on a handle, runs the work on the handle's worker thread and turns any
// exception into a status code and the handle's last status text.

#include <functional>

#include "core/Context.h"
#include "kyraSparse.h"

namespace Iterative {

// Handle form: the work runs on the handle's worker thread.
kyraSparseStatus SafeInterface(kyraSparseHandle handle, const Context::Work& work);

// Handle-less form (create, destroy): the work runs on the calling thread
// and no text is recorded.
kyraSparseStatus SafeInterface(const std::function<void()>& work);

// The context behind a handle; the caller has checked it is not null.
inline Context& contextOf(kyraSparseHandle handle) { return *reinterpret_cast<Context*>(handle); }

}  // namespace Iterative

#endif
