// The dispatcher that tests and the command line drain by hand, held to what every dispatcher promises.
#include "Shared/Tasks/uDispatcher.h"

#include "Support/DispatcherContract.h"

namespace tess::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Queued, DispatcherContract, tasks::TQueuedDispatcher);

}  // namespace tess::testing
