// talvex-unseal [-f] [-o DIR] FILE.enc...: writes the results file of each sealed file.

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "talvex/exception.h"
#include "talvex/platform/file.h"
#include "talvex/results/sealing.h"
#include "talvex/results/unseal.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* to) {
  std::fputs(
      "Usage: talvex-unseal [-f] [-o DIR] FILE.enc...\n"
      "Deciphers sealed results files; FILE.xls is written beside each FILE.enc.\n"
      "  -f      replace results files that already exist\n"
      "  -o DIR  write the results files into DIR\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  bool overwrite = false;
  std::string outputFolder;
  std::vector<std::string> files;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (options && argument == "--") {
      options = false;
    } else if (options && (argument == "-h" || argument == "--help")) {
      PrintUsage(stdout);
      return 0;
    } else if (options && argument == "-f") {
      overwrite = true;
    } else if (options && argument == "-o") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        std::fputs("talvex-unseal: -o needs a folder\n", stderr);
        return kExitUsage;
      }
      outputFolder = argv[++i];
    } else if (options && argument.size() > 1 && argument[0] == '-') {
      std::fprintf(stderr, "talvex-unseal: unknown option %s\n", argument.c_str());
      PrintUsage(stderr);
      return kExitUsage;
    } else {
      files.push_back(argument);
    }
  }
  if (files.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }

  // The output files written so far, by identity, with their inputs: a later input that maps
  // to one of them (a/r.enc and b/r.enc with -o, m.enc and m.ENC) must not replace it.
  std::vector<std::pair<talvex::platform::FileIdentity, std::string>> written;
  int exitCode = 0;
  for (const std::string& file : files) {
    const std::string output = talvex::results::MakeUnsealedPath(file, outputFolder);
    talvex::platform::FileIdentity identity;
    const std::string* earlier = nullptr;
    if (talvex::platform::IdentityAt(output, identity).Ok()) {
      for (const auto& [done, input] : written) {
        if (done == identity) earlier = &input;
      }
    }
    if (earlier != nullptr) {
      std::fprintf(stderr,
                   "talvex-unseal: \"%s\" is not unsealed: \"%s\" was unsealed into the same "
                   "file \"%s\"\n",
                   file.c_str(), earlier->c_str(), output.c_str());
      exitCode = kExitFailed;
      continue;
    }
    try {
      const talvex::results::SealKey key =
          talvex::results::UnsealFile(file, output, overwrite, talvex::results::kResultsPassPhrase);
      if (talvex::platform::IdentityAt(output, identity).Ok()) written.emplace_back(identity, file);
      std::printf("%s -> %s (%s)\n", file.c_str(), output.c_str(),
                  talvex::results::SealKeyName(key));
    } catch (const talvex::results::EOutputExists& error) {
      std::fprintf(stderr, "talvex-unseal: %s (-f replaces it)\n", error.what());
      exitCode = kExitFailed;
    } catch (const talvex::Exception& error) {
      std::fprintf(stderr, "talvex-unseal: %s\n", error.what());
      exitCode = kExitFailed;
    }
  }
  return exitCode;
}
