// The entry point of dunzipnt.dll. It accepts only the extraction request of the program
// (size 110, operation 8, both paths given) and runs the extraction to completion inside the
// call; the two callbacks of the request are never called. A member name in the request is the
// one file the call may create.
#include "unzip/dunzip.h"
#include "unzip/member_extract.h"

extern "C" int32_t dunzip(UnzipRequest* request) {
  if (request == nullptr || request->size != kUnzipRequestSize ||
      request->operation != kUnzipExtract || request->archive == nullptr ||
      request->output_dir == nullptr) {
    return kUnzipBadRequest;
  }
  return ExtractSingleMember(request->archive, request->output_dir, request->member_name);
}
