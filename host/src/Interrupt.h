// Internal: the interrupt request that a signal handler may raise.
#ifndef HOST_INTERRUPT_H
#define HOST_INTERRUPT_H

namespace host {

void SetInterruptRequest();  // async-signal-safe
void ClearInterruptRequest();
bool InterruptRequested();

}  // namespace host

#endif
