// rlf convert: a bare triangle chunk body (a count, then the records) into an RLF file.
#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "RlFileIO.h"

namespace {

int RunConvert(const std::string& body, const std::string& output) {
  std::string error;
  FILE* in = OpenInput(body, &error);
  if (in == nullptr) {
    std::cerr << "rlf: " << error << "\n";
    return 1;
  }
  OutputFile file(output);
  if (!file.Open()) {
    std::fclose(in);
    std::cerr << "rlf: " << file.Error() << "\n";
    return 1;
  }
  const bool converted = RlConvertFile(in, file.Stream());
  std::fclose(in);
  if (!converted && !file.Failed()) {
    std::cerr << "rlf: " << body << " could not be converted\n";
    return 1;
  }
  if (!converted || !file.Commit()) {
    std::cerr << "rlf: " << file.Error() << "\n";
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
