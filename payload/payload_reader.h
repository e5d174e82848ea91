// The payload reader: OpenPayload, ReadPayloadHeader, ClosePayload and ReleasePayloadHeader fill
// and empty the payload's header and file table (services/payload_header.h, with the format).
#pragma once

#include "services/payload_header.h"

// Finds the payload (through the marker unless -X named install_file) and opens it for reading.
// Returns 1, or 0 with error 1, 2 or 3 stored.
int OpenPayload();
// Parses the header into g_setup and g_payload, and the file table. Returns 1, or 0 with
// error 4, 5, 6 or 18 stored; parsing stops at the first field that fails.
int ReadPayloadHeader();
// Closes the file, frees the copy buffer, unloads the extraction library and frees the file
// table. Safe when nothing is open.
int ClosePayload();
// Frees the header lists at the end of the program and empties the header.
void ReleasePayloadHeader();
