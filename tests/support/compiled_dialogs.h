// The dialog templates of a built SETUP.EXE, read back from its RT_DIALOG resources into the
// host's template records, so that the tests compare what windres compiled with the tables.
#pragma once

#include <string>
#include <vector>

#include "platform/host/host_templates.h"

// Every RT_DIALOG resource of the PE file at path, in the order of its resource directory
// (named ones first, then by number). An empty list and a reason in *error when the file is no
// PE image or a resource or template runs past its bounds.
std::vector<HostDialogTemplate> ReadCompiledDialogs(const std::string& path, std::string* error);
