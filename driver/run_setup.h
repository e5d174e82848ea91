// The interactive part of the run and the installation it leads to. In install mode (-P) the
// directory given is the destination, checked for room and installed into directly; otherwise
// the installation to update is found and the Welcome dialog decides.
#pragma once

// Sets dest_dir and the status flags; the result of the installation is in them.
void RunSetup();

// Installs the payload's files into dest_dir and deletes the obsolete ones. 1 when all of it was
// done; 0 with error_number or install_stopped set.
int InstallUpdate();
