#include "support/ProgramFixture.h"

#include <filesystem>

#include "app/Version.h"

namespace quorvane::testing {

ProgramFixture::ProgramFixture() : platform(temp.Path() + "/appdata", temp.Path() + "/tmp/") {
  std::filesystem::create_directories(temp.Path() + "/appdata");
  std::filesystem::create_directories(temp.Path() + "/tmp");
  program = std::make_unique<Program>(platform, desktop, desktop);
  program->state.dataFolder = temp.Path() + "/appdata/Quorvane/";
  program->state.ipFilePath = program->state.dataFolder + "ip.txt";
  program->state.userAgent = BuildUserAgent();
  program->state.windowTitle = BuildWindowTitle();
  program->base64.InitBase64Table();
  std::filesystem::create_directories(program->state.dataFolder);
}

void ProgramFixture::StartProgram(const std::string& arguments) {
  program = std::make_unique<Program>(platform, desktop, desktop);
  program->Main(arguments);
}

std::vector<std::string> ProgramFixture::LogTexts() const {
  std::vector<std::string> texts;
  const std::string log = ReadAll(DataFile("ipchange.log"));
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    texts.push_back(line.size() >= 21 ? line.substr(21) : line);
    start = end + 2;
  }
  return texts;
}

}  // namespace quorvane::testing
