// PLACEHOLDER: replaced by the removal work.
#include "remove/deferred_removal.h"
namespace scr {
int RunDeferredRemoval(System&, const std::vector<std::string>&) { return 0; }
}  // namespace scr
