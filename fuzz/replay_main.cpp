// Runs a fuzz target once on each input, without libFuzzer: every file named
// on the command line and every file in a folder named there, in name order.
// A broken check of the target aborts, so the run fails; replaying nothing at
// all is a failure too (a wrong path would otherwise pass).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> Inputs(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (!std::filesystem::is_directory(path)) {
      inputs.push_back(path);
      continue;
    }
    std::vector<std::filesystem::path> folder;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      if (entry.is_regular_file()) folder.push_back(entry.path());
    }
    std::sort(folder.begin(), folder.end());
    inputs.insert(inputs.end(), folder.begin(), folder.end());
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::filesystem::path> inputs = Inputs(argc, argv);
  for (const std::filesystem::path& input : inputs) {
    std::ifstream file(input, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", input.string().c_str());
      return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    std::printf("%s\n", input.string().c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("replayed %zu inputs\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}
