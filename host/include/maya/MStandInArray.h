// Stand-in internals: the storage shared by the SDK's array classes (not an SDK header).
#ifndef MAYA_MSTANDINARRAY_H
#define MAYA_MSTANDINARRAY_H

#include <vector>

template <typename T>
class MStandInArray {
 public:
  const T& operator[](unsigned index) const { return items_[index]; }
  T& operator[](unsigned index) { return items_[index]; }
  unsigned length() const { return static_cast<unsigned>(items_.size()); }

  // For the host library.
  std::vector<T>& items() { return items_; }

 protected:
  std::vector<T> items_;
};

#endif
