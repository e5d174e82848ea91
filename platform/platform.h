// The one door from the core to the operating system. The core includes this header (or one
// of the area headers below) and never <windows.h> or POSIX headers. Two backends implement
// every declaration with the same names: platform/win32 (thin wrappers over the real API) and
// platform/host (a simulated Windows machine in a directory); the build links exactly one.
#pragma once

#include "platform/dde.h"
#include "platform/dialogs.h"
#include "platform/drawing.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/global_memory.h"
#include "platform/messages.h"
#include "platform/modules.h"
#include "platform/ole.h"
#include "platform/printing.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/windows.h"
