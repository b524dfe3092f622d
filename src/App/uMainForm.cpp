#include "App/uMainForm.h"

#include <atomic>

namespace tess::app {

namespace {
// Set on the user-interface thread at start-up and read there when rows are added; atomic so
// that a row added from a test's own thread is no data race either.
std::atomic<int32_t> GFormFileImageIndex{-1};
}  // namespace

int32_t FormFileImageIndex() { return GFormFileImageIndex.load(std::memory_order_relaxed); }

void SetFormFileImageIndex(int32_t AIndex) { GFormFileImageIndex.store(AIndex, std::memory_order_relaxed); }

}  // namespace tess::app
