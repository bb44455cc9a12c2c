# Compiler settings shared by every target of the project.
#
# Floating point must be bit-reproducible across hosts and compilers: no contraction of
# multiply-add pairs into fused operations, and no fast-math reassociation.

add_library(rl_options INTERFACE)
target_compile_features(rl_options INTERFACE cxx_std_20)
target_compile_options(rl_options INTERFACE
  -Wall -Wextra -Wshadow
  -ffp-contract=off -fno-fast-math)
# 64-bit file offsets on every host, so chunk sizes of 2 GiB and more seek forward.
target_compile_definitions(rl_options INTERFACE _FILE_OFFSET_BITS=64)

option(RL_WERROR "Treat warnings as errors" OFF)
if(RL_WERROR)
  target_compile_options(rl_options INTERFACE -Werror)
endif()

set(RL_SANITIZE "" CACHE STRING "Comma-separated sanitizers to build with (e.g. address,undefined)")
if(RL_SANITIZE)
  target_compile_options(rl_options INTERFACE
    -fsanitize=${RL_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(rl_options INTERFACE -fsanitize=${RL_SANITIZE})
endif()

option(RL_FUZZ "Build the fuzz harnesses as libFuzzer programs (clang)" OFF)
# Fuzz builds give libFuzzer coverage of every source, not only of the harnesses.
if(RL_FUZZ)
  target_compile_options(rl_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
