// Whether the update fits on the drive of the destination: every payload file counted in whole
// clusters of that drive, fixed allowances added, the space that existing copies of the files
// already take credited. Every figure goes to the log. Drives are given by index (0 = A:).
#pragma once

#include <cstdint>

// 1 when the update fits on the drive; the net need (0 when the drive cannot be examined) is
// stored into *need when need is not null.
int EstimateDiskSpace(int drive, const char* directory, uint32_t* need);
// EstimateDiskSpace for the run itself, which keeps old copies, the journal and its
// before-images until it has succeeded: a need that fits only without them does not fit, and
// then the reserve is logged before "Won't fit" and counted in *need. A run that fits logs what
// EstimateDiskSpace logs.
int EstimateRoomForRun(int drive, const char* directory, uint32_t* need);

// Bytes the payload's files take in clusters of cluster_size, with IDB\MERGE.DB counted twice
// and the extra space of the header added (never below 0 or above 0xFFFFFFFF).
uint32_t ComputeSpaceNeeded(uint32_t cluster_size);
// Bytes the existing copies of the payload's files already take in directory (IDB\MAIN.IDX
// never counts): for each, the smaller cluster span of the old and the new file.
int32_t ComputeExistingSavings(uint32_t cluster_size, const char* directory);
// ((size + cluster_size) / cluster_size) x cluster_size: an empty file takes one cluster, a file
// of exactly one cluster two. Saturates at 0xFFFFFFFF instead of wrapping.
uint32_t ClusterSpan(uint32_t size, uint32_t cluster_size);
