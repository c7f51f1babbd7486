#pragma once

// The benchmark program's end-of-run summaries: each benchmark file may
// register a function that receives every result of the run (CPU time per
// iteration in nanoseconds, by benchmark name) and prints what it compares.

#include <map>
#include <string>

namespace halverne::bench {

using Results = std::map<std::string, double>;
using Summary = void (*)(const Results&);

// Returns a dummy value so that registration can initialise a static.
int register_summary(Summary summary);

}  // namespace halverne::bench
