#include "Streams.h"

#include <sys/types.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

Bytes ContentsOf(FILE* fp) {
  std::fflush(fp);
  std::rewind(fp);
  Bytes out;
  uint8_t chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, fp)) > 0) {
    out.insert(out.end(), chunk, chunk + got);
  }
  return out;
}

namespace {

struct Sink {
  std::size_t budget;
  Bytes* written;
};

ssize_t SinkWrite(void* cookie, const char* data, size_t size) {
  auto* sink = static_cast<Sink*>(cookie);
  const std::size_t taken = std::min(size, sink->budget);
  sink->written->insert(sink->written->end(), data, data + taken);
  sink->budget -= taken;
  return static_cast<ssize_t>(taken);  // 0 reports an error to the stream
}

int SinkClose(void* cookie) {
  delete static_cast<Sink*>(cookie);
  return 0;
}

}  // namespace

UniqueFile LimitedSink(std::size_t budget, Bytes* written) {
  cookie_io_functions_t functions{};
  functions.write = SinkWrite;
  functions.close = SinkClose;
  auto* sink = new Sink{budget, written};
  UniqueFile fp(fopencookie(sink, "wb", functions));
  if (!fp) {
    delete sink;
    throw std::runtime_error("fopencookie failed");
  }
  std::setvbuf(fp.get(), nullptr, _IONBF, 0);
  return fp;
}

Bytes Hex(const char* text) {
  // Digits pair up regardless of spacing, so adjacent string literals may be joined.
  std::string digits;
  Bytes out;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '*' && digits.empty() && !out.empty()) {
      char* end = nullptr;
      const long times = std::strtol(c + 1, &end, 10);
      if (times < 1) throw std::invalid_argument("a repeat needs a count of 1 or more");
      out.insert(out.end(), static_cast<std::size_t>(times - 1), out.back());
      c = end - 1;
    } else if (std::isxdigit(static_cast<unsigned char>(*c))) {
      digits += *c;
      if (digits.size() == 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(digits, nullptr, 16)));
        digits.clear();
      }
    }
  }
  if (!digits.empty()) {
    throw std::invalid_argument("odd number of hex digits");
  }
  return out;
}
