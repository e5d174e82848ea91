// What an update's trees and header say about the runs of the setup that the builder can warn
// about beforehand: releases the installation search cannot find, a Program Manager item that
// starts nothing, carry-over and delete patterns that act on nothing, an update of nothing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/vntpack/payload_writer.h"
#include "tools/vntpack/release_tree.h"

// One warning each into *warnings. The first given_deletes items of header.dest_deletes are the
// options' own (the others, the old release's files, match by their making).
void CheckWhatTheSetupMeets(const ReleaseTree& old_tree, const ReleaseTree& new_tree,
                            const PayloadLayout& header, size_t given_deletes,
                            std::vector<std::string>* warnings);
