// The end of the run after the payload is closed: the success branch (version file, product
// library, browser installers, follow-on program, completion and restart dialogs) or the failure
// branch, and the offer of the disk-full program.
#pragma once

// Returns 0 when Windows ended the session during a browser installer's wait: the run must
// then end at once.
int FinishRun();

// Offers the follow-on program (dialog 219) and starts it with the destination directory.
void LaunchFollowOn();

// After the failure's own message: the closing box of a run whose changes were rolled back,
// unless the failure branch has shown it already.
void ReportUnfinishedRun();
