// The fault plan of the simulated machine: up to 16 rules, each firing at the Nth call of its
// kind (on a path containing or ending with its filter, when it has one) and, when persistent, at
// every later one. Each rule counts its own matching calls from the moment it is added. A power
// cut ends the process on the spot.
#include <unistd.h>

#include <cstring>

#include "platform/host/host_backend.h"

namespace {

const int kRuleMax = 16;
const int kPowerCutStatus = 66;  // the exit status of a process ended by a power cut

struct Rule {
  HostFault fault;
  char path[kPathBuffer];  // the filter, copied; empty for every call
  int path_at_end;         // 1: the filter must end the path
  uint32_t seen;
};

struct Plan {
  Rule rules[kRuleMax];
  int count;
  uint32_t calls[kFaultKindCount];
};
Plan g_plan;

const char* const kKindNames[kFaultKindCount] = {"disk_full",       "cannot_open", "read_only",
                                                 "in_use",          "no_memory",   "no_module",
                                                 "registry_denied", "power_cut"};

// 1 when the path holds the filter (at its end when the rule asks for that).
int PathMatches(const Rule& rule, const char* windows_path) {
  if (rule.path[0] == '\0') return 1;
  if (windows_path == nullptr) return 0;
  if (!rule.path_at_end) return HostContainsNoCase(windows_path, rule.path);
  size_t length = strlen(windows_path);
  size_t filter = strlen(rule.path);
  return filter <= length && HostSameNoCase(windows_path + length - filter, rule.path);
}

int KnownKind(HostFaultKind kind) {
  return static_cast<int>(kind) >= 0 && static_cast<int>(kind) < kFaultKindCount;
}

}  // namespace

void HostFaultClear() {
  g_plan = Plan();
}

int HostFaultAdd(const HostFault& fault) {
  return HostFaultAddRule(fault, 0);
}

int HostFaultAddRule(const HostFault& fault, int path_at_end) {
  if (g_plan.count >= kRuleMax || !KnownKind(fault.kind) || fault.nth == 0) {
    return 0;
  }
  Rule& rule = g_plan.rules[g_plan.count];
  rule.fault = fault;
  rule.seen = 0;
  rule.path_at_end = path_at_end;
  rule.path[0] = '\0';
  if (fault.path != nullptr && !HostCopyText(rule.path, sizeof rule.path, fault.path)) return 0;
  rule.fault.path = nullptr;  // the caller's text need not outlive the call
  ++g_plan.count;
  return 1;
}

int HostFaultKindNamed(const char* name, HostFaultKind* kind) {
  for (int i = 0; i < kFaultKindCount; ++i) {
    if (HostSameNoCase(name, kKindNames[i])) {
      *kind = static_cast<HostFaultKind>(i);
      return 1;
    }
  }
  return 0;
}

uint32_t HostFaultCalls(HostFaultKind kind) {
  return KnownKind(kind) ? g_plan.calls[kind] : 0;
}

int HostFaultFires(HostFaultKind kind, const char* windows_path) {
  ++g_plan.calls[kind];
  uint32_t fired_at = 0;
  for (int i = 0; i < g_plan.count; ++i) {
    Rule& rule = g_plan.rules[i];
    if (rule.fault.kind != kind || !PathMatches(rule, windows_path)) continue;
    ++rule.seen;
    if (fired_at == 0 &&
        (rule.seen == rule.fault.nth || (rule.fault.persistent && rule.seen > rule.fault.nth))) {
      fired_at = rule.seen;
    }
  }
  if (fired_at == 0) return 0;
  if (windows_path != nullptr) {
    HostTranscript("fault %s %u \"%s\"", kKindNames[kind], fired_at, windows_path);
  } else {
    HostTranscript("fault %s %u", kKindNames[kind], fired_at);
  }
  if (kind == kFaultPowerCut) _exit(kPowerCutStatus);
  return 1;
}
