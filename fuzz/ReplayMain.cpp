// Runs a fuzz target once over every input of the files and folders named on
// the command line (a folder's files in name order), as the tests do with the
// seed corpus in builds without libFuzzer.  A broken check aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path p = argv[i];
    if (fs::is_directory(p)) {
      std::vector<fs::path> in;
      for (const fs::directory_entry& f : fs::directory_iterator(p))
        if (f.is_regular_file()) in.push_back(f.path());
      std::sort(in.begin(), in.end());
      files.insert(files.end(), in.begin(), in.end());
    } else {
      files.push_back(p);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "no inputs given\n");
    return 2;
  }
  for (const fs::path& f : files) {
    std::ifstream s(f, std::ios::binary);
    if (!s) {
      std::fprintf(stderr, "cannot read %s\n", f.c_str());
      return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(s)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "%s\n", f.c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::fprintf(stderr, "replayed %zu inputs\n", files.size());
  return 0;
}
