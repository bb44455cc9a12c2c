// Internal: asking for huge pages behind the large arrays the welder fills.
//
// A page touched for the first time costs a fault, and on virtual machines a fault costs
// tens of microseconds. The welder fills hundreds of megabytes at the largest sizes, so
// backing those arrays with 2 MB pages instead of 4 KB ones saves almost all of their
// faults, and their translations stay in the processor's cache of them.
#ifndef RL_HUGE_PAGES_H
#define RL_HUGE_PAGES_H

#include <cstddef>

// Asks the system to back the whole huge pages that lie inside [data, data + bytes) with
// huge pages when they are first touched. A hint only: the contents, the ownership and
// the way the memory is freed stay as they are, and where the system offers no such
// hint (or refuses it) nothing happens, as for arrays that hold no whole huge page.
void RlAdviseHugePages(void* data, std::size_t bytes);

#endif
