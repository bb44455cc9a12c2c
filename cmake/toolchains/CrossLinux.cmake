# Shared part of the Debian cross toolchains: compilers and binutils named by
# RL_CROSS_TRIPLE, libraries and headers only from that target's root.
set(CMAKE_C_COMPILER ${RL_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${RL_CROSS_TRIPLE}-g++)
set(CMAKE_NM ${RL_CROSS_TRIPLE}-nm)
set(CMAKE_FIND_ROOT_PATH /usr/${RL_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
