// The fault plan of the simulated machine: up to 16 rules, each firing at the Nth call of its
// kind (on a path containing its filter, when it has one) and, when persistent, at every later
// one. Each rule counts its own matching calls from the moment it is added.
#include "platform/host/host_backend.h"

namespace {

const int kRuleMax = 16;

struct Rule {
  HostFault fault;
  char path[kPathBuffer];  // the filter, copied; empty for every call
  uint32_t seen;
};

struct Plan {
  Rule rules[kRuleMax];
  int count;
  uint32_t calls[kFaultKindCount];
};
Plan g_plan;

const char* KindName(HostFaultKind kind) {
  static const char* const kNames[kFaultKindCount] = {
      "disk-full",   "cannot-open", "read-only",      "in-use",
      "alloc-fails", "module-load", "registry-denied"};
  return kNames[kind];
}

int KnownKind(HostFaultKind kind) {
  return static_cast<int>(kind) >= 0 && static_cast<int>(kind) < kFaultKindCount;
}

}  // namespace

void HostFaultClear() {
  g_plan = Plan();
}

int HostFaultAdd(const HostFault& fault) {
  if (g_plan.count >= kRuleMax || !KnownKind(fault.kind) || fault.nth == 0) {
    return 0;
  }
  Rule& rule = g_plan.rules[g_plan.count];
  rule.fault = fault;
  rule.seen = 0;
  rule.path[0] = '\0';
  if (fault.path != nullptr && !HostCopyText(rule.path, sizeof rule.path, fault.path)) return 0;
  rule.fault.path = nullptr;  // the caller's text need not outlive the call
  ++g_plan.count;
  return 1;
}

uint32_t HostFaultCalls(HostFaultKind kind) {
  return KnownKind(kind) ? g_plan.calls[kind] : 0;
}

int HostFaultFires(HostFaultKind kind, const char* windows_path) {
  ++g_plan.calls[kind];
  int fires = 0;
  for (int i = 0; i < g_plan.count; ++i) {
    Rule& rule = g_plan.rules[i];
    if (rule.fault.kind != kind) continue;
    if (rule.path[0] != '\0' &&
        (windows_path == nullptr || !HostContainsNoCase(windows_path, rule.path))) {
      continue;
    }
    ++rule.seen;
    if (rule.seen == rule.fault.nth || (rule.fault.persistent && rule.seen > rule.fault.nth)) {
      fires = 1;
    }
  }
  if (fires && windows_path != nullptr) {
    HostTranscript("fault %s \"%s\"", KindName(kind), windows_path);
  } else if (fires) {
    HostTranscript("fault %s", KindName(kind));
  }
  return fires;
}
