// rlf convert: a bare triangle chunk body (a count, then the records) into an RLF file.
#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "RlFileIO.h"

namespace {

int RunConvert(const std::string& body, const std::string& output) {
  FILE* in = std::fopen(body.c_str(), "rb");
  if (in == nullptr) {
    std::cerr << "rlf: " << body << ": cannot be opened\n";
    return 1;
  }
  FILE* out = std::fopen(output.c_str(), "wb");
  if (out == nullptr) {
    std::fclose(in);
    std::cerr << "rlf: " << output << ": cannot be written\n";
    return 1;
  }
  const bool converted = RlConvertFile(in, out);
  std::fclose(in);
  if (std::fclose(out) != 0 || !converted) {
    std::remove(output.c_str());  // nothing half-written is left behind
    std::cerr << "rlf: " << body << " could not be converted\n";
    return 1;
  }
  std::cout << "converted " << body << " to " << output << "\n";
  return 0;
}

}  // namespace

void AddConvertCommand(CLI::App& app, int& exitStatus) {
  auto body = std::make_shared<std::string>();
  auto output = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand("convert", "Wrap a bare triangle chunk body into an RLF file");
  command->add_option("body", *body, "File holding a triangle count and the records")->required();
  command->add_option("output", *output, "The RLF file to write")->required();
  command->callback([body, output, &exitStatus] { exitStatus = RunConvert(*body, *output); });
}
