# 32-bit big-endian PowerPC: Debian's cross compiler, tests run under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)
set(RL_CROSS_TRIPLE powerpc-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/CrossLinux.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc -L /usr/${RL_CROSS_TRIPLE})
