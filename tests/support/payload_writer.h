// The payload writer of the tests is vntpack's (tools/vntpack/payload_writer.h).
#pragma once

#include "tools/vntpack/payload_writer.h"
