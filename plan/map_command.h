// The subcommands of zirel-plan beyond the one-orientation report. Each parses its
// own arguments (those after its name) with the shared options and returns the
// process's exit code.
#pragma once

namespace zirel::plan {

// `zirel-plan map`: the completeness of every mount, the best ones as lattice
// directions, and the map as a picture.
int map_main(int argc, char** argv);

// `zirel-plan section`: one reciprocal-lattice layer for one orientation, drawn.
int section_main(int argc, char** argv);
}  // namespace zirel::plan
