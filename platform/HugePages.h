// Internal: advice that a large array is to be filled soon (not exported).
#ifndef HUGE_PAGES_H
#define HUGE_PAGES_H

#include <cstddef>

// Asks the system to back the whole 2 MiB pages inside [data, data + bytes) with huge
// pages where it can (Linux; elsewhere nothing happens): filling hundreds of megabytes
// then takes a few hundred page faults instead of tens of thousands. Only advice: the
// memory, its contents and its owner are unchanged, and a refusal is ignored.
void AdviseHugePages(void* data, std::size_t bytes);

#endif
