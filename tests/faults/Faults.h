// Fault injection: the n-th allocation, fwrite, fread, fclose or commit of reserved
// address space from now fails.
#ifndef TESTS_FAULTS_FAULTS_H
#define TESTS_FAULTS_FAULTS_H

enum class Fault {
  kArrayAllocation,  // operator new[] (nothrow) returns null
  kAllocation,       // operator new throws std::bad_alloc
  kWrite,            // fwrite writes one item fewer than asked
  kRead,             // fread reads one item fewer than asked
  kCommit,           // making reserved address space usable (mprotect) fails
  kClose,            // fclose closes the stream but reports a failure (EIO)
};

// Arms the fault to strike at the n-th call of its kind (0: the next one).
void ArmFault(Fault fault, int n);
void DisarmFaults();
// Allocations made, directly or not, by the library whose file name holds name (null:
// none) neither count nor fail: for libraries that do not survive failing allocations.
void SpareLibrary(const char* name);
// Whether the armed fault struck.
bool FaultStruck();
// While on, every reservation of address space (an mmap of PROT_NONE) fails, as on a
// system that offers none.
void RefuseReservations(bool refuse);

#endif
