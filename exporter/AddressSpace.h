// Address space reserved once and made usable a step at a time, so that an array grows
// in place: nothing is copied and nothing moves. Offered where pointers have 64 bits and
// the system maps anonymous memory (POSIX); elsewhere Reserve says no and the caller
// keeps to allocating, copying and releasing.
#ifndef RLF_ADDRESS_SPACE_H
#define RLF_ADDRESS_SPACE_H

#include <cstddef>

// Reserves bytes of address space, none of it usable yet; null when the system cannot.
void* ReserveAddressSpace(std::size_t bytes);

// Makes the first `to` bytes of a reservation usable (zero-filled), the first `from`
// being usable already. False when the system has no memory for them.
bool CommitAddressSpace(void* base, std::size_t from, std::size_t to);

// Gives a reservation of `bytes` back to the system.
void ReleaseAddressSpace(void* base, std::size_t bytes);

#endif
