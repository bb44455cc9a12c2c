// Prints what GetBaseFilePath returns for this executable, wherever it was copied to.
//
//   print_base_path PATH_SIZE POSIX(0|1)   ->   "<result> <path>"
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "MacSpecific.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PATH_SIZE POSIX\n", argv[0]);
    return 2;
  }
  const int pathSize = std::atoi(argv[1]);
  std::vector<char> buffer(static_cast<std::size_t>(pathSize > 0 ? pathSize : 1), '\0');
  const OSErr result = GetBaseFilePath(buffer.data(), pathSize, std::atoi(argv[2]) != 0);
  std::printf("%d %s", result, result == 0 ? buffer.data() : "");
  return 0;
}
