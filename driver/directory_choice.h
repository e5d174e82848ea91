// The checks on the destination directory before anything is installed: whether the update fits
// on its drive, asked again while the user makes room.
#pragma once

// 1 when the update fits on the drive of dest_dir; 0 when it does not and the user declined to
// try again (the caller then gives up the run).
int CheckDiskSpace();
