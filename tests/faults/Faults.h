// Fault injection: the n-th allocation, fwrite or fread from now fails.
#ifndef TESTS_FAULTS_FAULTS_H
#define TESTS_FAULTS_FAULTS_H

enum class Fault {
  kArrayAllocation,  // operator new[] (nothrow) returns null
  kAllocation,       // operator new throws std::bad_alloc
  kWrite,            // fwrite writes one item fewer than asked
  kRead,             // fread reads one item fewer than asked
};

// Arms the fault to strike at the n-th call of its kind (0: the next one).
void ArmFault(Fault fault, int n);
void DisarmFaults();
// Whether the armed fault struck.
bool FaultStruck();

#endif
