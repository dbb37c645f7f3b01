#include "platform/descriptor_limit.h"

#include <sys/resource.h>

#include <climits>

namespace {
int asInt(rlim_t n) { return n == RLIM_INFINITY || n > rlim_t(INT_MAX) ? INT_MAX : int(n); }
}  // namespace

int raiseDescriptorLimit() {
  rlimit r{};
  if (::getrlimit(RLIMIT_NOFILE, &r) != 0) return descriptorLimit();
  if (r.rlim_cur != r.rlim_max) {
    rlimit raised = r;
    raised.rlim_cur = r.rlim_max;
    (void)::setrlimit(RLIMIT_NOFILE, &raised);
  }
  return descriptorLimit();
}

int descriptorLimit() {
  rlimit r{};
  return ::getrlimit(RLIMIT_NOFILE, &r) == 0 ? asInt(r.rlim_cur) : 1024;
}
