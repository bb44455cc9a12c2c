# 64-bit big-endian s390x: Debian's cross compiler, tests run under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(RL_CROSS_TRIPLE s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/CrossLinux.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-s390x -L /usr/${RL_CROSS_TRIPLE})
