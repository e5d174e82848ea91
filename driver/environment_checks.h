// The tests of the machine made once the payload header is known: processor and memory (when
// the payload asks for them), and the Windows platform. A refusal shows its message and sets
// setup_aborted; it never stores an error number.
#pragma once

// Offers the 16-bit setup (dialogs 227 and 228) when the machine is below a Pentium or 16,000,000
// bytes of memory, and always asks dialog 228's question.
void CheckHardware();

// 1 when the platform is Windows 95 (or any other than Win32s and Windows NT).
int CheckPlatform();
