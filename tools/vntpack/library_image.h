// What a program or library file is, read from its headers: a Windows PE image (its machine,
// whether it is a DLL or a program, whether it exports "dunzip"), an ELF file of the host, or
// neither. From that, whether a dunzipnt.dll serves the setup program a payload is made for.
// Every read is bounded by the bytes given, so a damaged or hostile file is only ever refused.
#pragma once

#include <cstdint>
#include <string>

const uint16_t kMachineI386 = 0x14C;
const uint16_t kMachineX64 = 0x8664;

enum ImageKind { kImageNeither, kImageWindows, kImageHost };

struct ImageFacts {
  ImageKind kind = kImageNeither;
  // For kImageWindows: the machine, and whether the image is a DLL that exports "dunzip".
  uint16_t machine = 0;
  bool dll = false;
  bool exports_dunzip = false;
  // Why a file that begins as a PE image ("MZ") is none; empty when it is one (or no "MZ").
  std::string fault;
};

ImageFacts ReadImageFacts(const std::string& bytes);

// The setup program a payload is for: the host setup of the simulated machines, or SETUP.EXE of
// the given machine (0: a stand-alone payload, for either build of SETUP.EXE).
struct PayloadTarget {
  bool host = false;
  uint16_t machine = 0;
};

// The target a program sets: SETUP.EXE (a Windows program, not a DLL, of a machine the setup is
// built for) or the host setup (an ELF file). False with the reason for anything else.
bool TargetOfProgram(const std::string& bytes, PayloadTarget* target, std::string* fault);

// Whether the bytes of a dunzipnt.dll serve the target: for SETUP.EXE a Win32 DLL (i386, or the
// x86-64 build's) exporting "dunzip" of the program's machine; for the host setup also the host's
// own library (an ELF file), which it loads in place of any Win32 one. False with the reason;
// *warning is set for an x86-64 DLL in a stand-alone payload for SETUP.EXE.
bool CheckLibrary(const std::string& bytes, const PayloadTarget& target, std::string* warning,
                  std::string* fault);
