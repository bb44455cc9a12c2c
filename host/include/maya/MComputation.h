// Stand-in for the host SDK's interruptible computation.
#ifndef MAYA_MCOMPUTATION_H
#define MAYA_MCOMPUTATION_H

#include <maya/MTypes.h>

class OPENMAYA_EXPORT MComputation {
 public:
  MComputation() = default;
  virtual ~MComputation();

  void beginComputation();
  // True once the user has asked to stop the running computation.
  bool isInterruptRequested();
  void endComputation();
};

#endif
