// A scene that cannot be loaded: the message names the file (and the line, for OBJ).
#ifndef RL_SCENE_ERROR_H
#define RL_SCENE_ERROR_H

#include <stdexcept>

struct SceneError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

#endif
