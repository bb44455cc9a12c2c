// Stand-in for the host SDK's basic types (API version 6.0).
#ifndef MAYA_MTYPES_H
#define MAYA_MTYPES_H

#define MAYA_API_VERSION 600

// The host's own libraries, and the entry points and data a plug-in exports.
#define OPENMAYA_EXPORT __attribute__((visibility("default")))
#define FND_EXPORT __attribute__((visibility("default")))
#define PLUGIN_EXPORT __attribute__((visibility("default")))

typedef void* (*MCreatorFunction)();

class MSpace {
 public:
  enum Space {
    kInvalid = 0,
    kTransform = 1,
    kPreTransform = 2,
    kPostTransform = 3,
    kWorld = 4,
    kLast = 5,
    kObject = kPreTransform
  };
};

#endif
